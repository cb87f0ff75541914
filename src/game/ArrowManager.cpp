#include "game/ArrowManager.h"

#include "chart/Lane.h"
#include "chart/Song.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "fx/Text.h"
#include "game/Arrow.h"
#include "game/ChartPlayer.h"
#include "game/FieldHeights.h"
#include "game/Gimmick.h"
#include "game/GimmickManager.h"
#include "game/GoalMarker.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "game/StepFileManager.h"
#include "platform/SystemClock.h"
#include "scene/Dancer.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace {

constexpr double millisecondsPerMinute = 60000.0;
constexpr const char* arrowName = "gehtdasauchso";
constexpr const char* arrowPath = "Arrow\\Arrow";
constexpr const char* carrierPath = "Arrow";
constexpr std::uint32_t qualityTextMs = 500;
constexpr std::uint32_t winnerTextMs = 5000000;
// The song clock's rate against the ticks is measured over at least this long,
// and believed within this share of 1.
constexpr std::int32_t minimumRateSpanMs = 2000;
constexpr double largestRateError = 0.2;

template <typename T>
T* findManager(const char* name)
{
    return ObjectRegistry::instance()->findAs<T>(name);
}

} // namespace

const std::array<ArrowManager::Judgement, ArrowManager::judgementCount> ArrowManager::judgements{{
    {"Godlike", 0.95f, 800},
    {"Perfect", 0.9f, 400},
    {"Great", 0.8f, 200},
    {"Good", 0.7f, 100},
    {"Booo", -std::numeric_limits<float>::infinity(), 50},
}};

ArrowManager::ArrowManager()
    : Object(true, "ArrowManager")
{
    // Player actions 1 to 8 (Up, Right, Down, Left, Slot1 to Slot4); only the
    // four directions are ever looked up, as lanes.
    actionLanes = {LaneUp, LaneRight, LaneDown, LaneLeft, 4, 5, 6, 7};
}

ArrowManager::~ArrowManager() = default;

void ArrowManager::init()
{
    OutputHandler* log = OutputHandler::find();
    OutputHandler::log(log, "Initializing ArrowManager ...");
    stepsTaken = 0;

    stepFile = findManager<StepFileManager>("StepFileManager");
    if (!stepFile) {
        OutputHandler::report(log, Fatal, "arrowmanager: assertion failed: stepfile");
        return;
    }
    stepFile->parseFile(stepFilePath);
    noteCopy = stepFile->getNotes();
    noteCursor = 0;
    startTick.reset();

    p1QualityText = createText(qualityTextMs, ObjectNode::SidePlayer1, 42, "Arial", "P1Quality");
    p2QualityText = createText(qualityTextMs, ObjectNode::SidePlayer2, 42, "Arial", "P2Quality");
    winnerText = createText(winnerTextMs, ObjectNode::SideCentre, 63, "Arial Black", "Winnertext");
    if (p1QualityText)
        p1QualityText->setPosition(0.0f, 0.0f);
    if (p2QualityText)
        p2QualityText->setPosition(0.0f, 0.0f);
    if (winnerText) {
        winnerText->setColor(1.0f, 0.0f, 0.6f);
        winnerText->setPosition(-3.0f, -1.0f);
    }

    if (PlayerManager* players = findManager<PlayerManager>("PlayerManager")) {
        player1 = players->getPlayer(1);
        player2 = players->getPlayer(2);
    }
    if (ObjectGraph* graph = ObjectGraph::find()) {
        for (std::size_t lane = 0; lane < goals.size(); ++lane) {
            char path[16];
            std::snprintf(path, sizeof path, "Goal%zu", lane);
            goals[lane] = dynamic_cast<GoalMarker*>(graph->findNode(path));
        }
    }

    travel = FieldHeights::goalY() - FieldHeights::spawnY();
    bpm = stepFile->getBpm();
    gap = stepFile->getGap();
    if (bpm > 0.0f) {
        lead = travel * millisecondsPerMinute / bpm;
        stepLength = millisecondsPerMinute / (2.0 * bpm);
        firstStepTime = static_cast<double>(gap) - lead;
        nextStepTime = std::round(firstStepTime);
    } else {
        OutputHandler::report(log, Warning, "ArrowManager: The step file gives no tempo (BPM %g), no arrows will come.",
                              static_cast<double>(bpm));
    }
}

void ArrowManager::newRound()
{
    if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
        sound->rewind(songStream);
    retireArrows();
    p1Arrows.clear();
    p2Arrows.clear();
    moving.clear();
    stepsTaken = 0;
    if (bpm > 0.0f)
        nextStepTime = std::round(firstStepTime);
    noteCopy = stepFile ? stepFile->getNotes() : std::string();
    noteCursor = 0;
    startTick.reset();
    songNow = 0.0;
    lastReading.reset();
    firstReading.reset();
    for (auto& errors : pressErrors)
        errors.clear();
    tallies = {};
    arrowsNumbered = {};
    finalTotalsLogged = false;
    underrunsAtStart = 0;
    clearTexts();
    restartChartPlayers();
}

// Every arrow ever spawned hangs below the carrier arrow; the carrier
// itself stays as the main loop made it.
void ArrowManager::retireArrows()
{
    ObjectGraph* graph = ObjectGraph::find();
    ObjectNode* carrier = graph ? graph->findNode(carrierPath) : nullptr;
    if (!carrier)
        return;
    for (ObjectNode* arrow : carrier->getChildren())
        arrow->setActive(false);
}

// The judgement words go, the winner text is emptied and shown for its full
// display time again (it would otherwise run out in a long session).
void ArrowManager::clearTexts()
{
    for (Text* text : {p1QualityText, p2QualityText}) {
        if (text) {
            text->setText("%s", "");
            text->setActive(false);
        }
    }
    if (winnerText) {
        winnerText->setText("%s", "");
        winnerText->restart();
    }
}

// The same song starts again from its charts' first notes.
void ArrowManager::restartChartPlayers()
{
    for (std::size_t index = 0; index < chartPlayers.size(); ++index) {
        if (chartPlayers[index])
            chartPlayers[index] = std::make_unique<ChartPlayer>(*this, static_cast<int>(index) + 1,
                                                                chartPlayers[index]->getChart(), travel);
    }
}

void ArrowManager::playSong(std::unique_ptr<chart::Song> song, const std::array<std::size_t, 2>& chartIndex)
{
    playGamesOwnSong();
    if (!song || song->charts.empty())
        return;
    chosenSong = std::move(song);
    for (std::size_t index = 0; index < chartPlayers.size(); ++index) {
        const std::size_t chosen = chartIndex[index] < chosenSong->charts.size() ? chartIndex[index] : 0;
        chartPlayers[index] = std::make_unique<ChartPlayer>(*this, static_cast<int>(index) + 1,
                                                            chosenSong->charts[chosen], travel);
    }
    if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
        sound->setStream(chosenSong->musicPath.string().c_str(), chartStreamName);
    songStream = chartStreamName;
    OutputHandler::log(OutputHandler::find(), "ArrowManager: Playing '%s' by '%s': player 1 %s %d, player 2 %s %d",
                       chosenSong->title.c_str(), chosenSong->artist.c_str(),
                       chartPlayers[0]->getChart().difficulty.c_str(), chartPlayers[0]->getChart().meter,
                       chartPlayers[1]->getChart().difficulty.c_str(), chartPlayers[1]->getChart().meter);
}

void ArrowManager::playGamesOwnSong()
{
    for (auto& chartPlayer : chartPlayers)
        chartPlayer.reset();
    chosenSong.reset();
    if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
        sound->remove(chartStreamName);
    songStream = streamName;
}

const ChartPlayer* ArrowManager::getChartPlayer(int player) const
{
    return player == 1 || player == 2 ? chartPlayers[static_cast<std::size_t>(player - 1)].get() : nullptr;
}

// A text in the first font, then its own; linked under `path` as well as
// under "Text". Null when there is no scene graph to own it.
Text* ArrowManager::createText(std::uint32_t duration, std::int8_t side, int secondHeight, const char* secondFace,
                               const char* path)
{
    auto* text = new Text(duration, side);
    if (!text->createBitmapFont(-20, 400, "Arial Black", 0, 0, 0, 0)) {
        delete text;
        return nullptr;
    }
    text->changeBitmapFont(secondHeight, 700, secondFace, 0, 0, 0, 0);
    ObjectGraph::find()->addNode(text, path);
    return text;
}

void ArrowManager::update(std::uint32_t tick)
{
    // The gimmicks draw from the C library's generator.
    std::srand(tick);
    songNow = songTimeNow().songMs;
    if (playsChart()) {
        for (auto& chartPlayer : chartPlayers) {
            if (startTick)
                chartPlayer->update(songNow, tick, dancer);
        }
    } else {
        if (bpm > 0.0f)
            scheduleStep(tick);
        placeArrows();
    }
    sweepMisses();
    checkSongEnd(findManager<SoundManager>("SoundManager"));
}

// The song as the player hears it now. Once the stream has ended its clock
// stands at the length: the song time then goes on with the tick count from
// the last reading, so the arrows keep moving.
ArrowManager::SongReading ArrowManager::songTimeNow()
{
    SoundManager* sound = findManager<SoundManager>("SoundManager");
    if (!sound)
        return {0.0, platform::SystemClock::tickCount()};
    if (!lastReading || sound->getStreamTime(songStream) < sound->getStreamLength(songStream)) {
        const SoundManager::SongMoment moment = sound->getSongMoment(songStream);
        lastReading = moment;
        if (startTick && !firstReading && lastReading->songMs > 0.0)
            firstReading = lastReading;
        return *lastReading;
    }
    const std::uint32_t tick = platform::SystemClock::tickCount();
    return {lastReading->songMs + static_cast<std::int32_t>(tick - lastReading->tick), tick};
}

// Song milliseconds per tick millisecond since the song began to sound: a
// sound device's clock may run a few percent off the system clock.
double ArrowManager::songRate() const
{
    if (!firstReading || !lastReading)
        return 1.0;
    const auto ticks = static_cast<std::int32_t>(lastReading->tick - firstReading->tick);
    if (ticks < minimumRateSpanMs)
        return 1.0;
    const double rate = (lastReading->songMs - firstReading->songMs) / ticks;
    return std::clamp(rate, 1.0 - largestRateError, 1.0 + largestRateError);
}

// At most one step per frame; a late schedule catches up one step per frame,
// each arrow appearing where its note has got to by then.
void ArrowManager::scheduleStep(std::uint32_t tick)
{
    if (!startTick || nextStepTime > songNow)
        return;
    const double dueTime = firstStepTime + static_cast<double>(stepsTaken) * stepLength;
    ++stepsTaken;
    nextStepTime = std::round(firstStepTime + static_cast<double>(stepsTaken) * stepLength);
    takeStep(tick, dueTime + lead);
}

void ArrowManager::takeStep(std::uint32_t tick, double arrivalMs)
{
    const char note = StepFileManager::takeStep(noteCopy, noteCursor);
    const StepFileManager::NoteArrows arrows = StepFileManager::decodeNote(note);
    const double beatMs = 2.0 * stepLength;
    for (std::size_t i = 0; i < arrows.count; ++i) {
        if (Arrow* arrow = spawnArrow(arrows.lanes[i])) {
            arrow->followSong((arrivalMs - gap) / beatMs, arrivalMs, beatMs);
            arrow->placeAt((songNow - gap) / beatMs);
        }
    }
    // The dancer moves when the step's arrows reach the goal line. The sum
    // wraps with the tick counter; a time beyond the counter's half range (a
    // nearly zero tempo) is held at its edge.
    if (dancer) {
        const double untilArrival = arrivalMs - songNow;
        const double aheadMs = std::isfinite(untilArrival) ? std::clamp(untilArrival, -2147483648.0, 2147483647.0) : 0.0;
        dancer->addEvent(tick + static_cast<std::uint32_t>(static_cast<std::int32_t>(aheadMs)), note);
    }
}

Arrow* ArrowManager::spawnArrow(std::uint8_t lane)
{
    ObjectGraph* graph = ObjectGraph::find();
    if (!graph)
        return nullptr;
    auto* arrow = new Arrow(arrowName, ObjectNode::SideBoth);
    arrow->setup(lane);
    // Without the carrier arrow the graph refuses the node: it is then nobody's.
    if (!graph->addNode(arrow, arrowPath)) {
        delete arrow;
        return nullptr;
    }
    arrow->setNumber(++arrowsNumbered[0]);
    arrowsNumbered[1] = arrowsNumbered[0];
    p1Arrows.push_back(arrow);
    p2Arrows.push_back(arrow);
    moving.push_back(arrow);
    return arrow;
}

// Every arrow still shown in a field takes its height from the song clock;
// one that both players are done with leaves the list.
void ArrowManager::placeArrows()
{
    std::erase_if(moving, [](const Arrow* arrow) { return !arrow->isActive(); });
    const double songBeat = (songNow - gap) / (2.0 * stepLength);
    for (Arrow* arrow : moving)
        arrow->placeAt(songBeat);
}

Arrow* ArrowManager::spawnArrowFor(int player, std::uint8_t lane, bool judged)
{
    ObjectGraph* graph = ObjectGraph::find();
    if (!graph || (player != 1 && player != 2))
        return nullptr;
    auto* arrow = new Arrow(arrowName, static_cast<std::int8_t>(player));
    arrow->setup(lane);
    if (!graph->addNode(arrow, arrowPath)) {
        delete arrow;
        return nullptr;
    }
    if (judged) {
        arrow->setNumber(++arrowsNumbered[static_cast<std::size_t>(player - 1)]);
        arrowsOf(player).push_back(arrow);
    }
    return arrow;
}

void ArrowManager::showWord(int player, const char* word)
{
    if (Text* text = getQualityText(player)) {
        text->setText("%s", word);
        text->restart();
    }
    if (earnedListener)
        earnedListener({player, noLane, 0, word});
}

// A mine costs points, never more than the player has.
void ArrowManager::mineHit(int player)
{
    if (Player* target = playerNumber(player))
        target->subtractPoints(std::min(ChartPlayer::minePenalty, target->getPoints()));
    showWord(player, "Boom");
    if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
        sound->play("Explosion1");
}

// Missed arrows stay in the lists; hiding them again changes nothing.
void ArrowManager::sweepMisses()
{
    for (int player = 1; player <= 2; ++player) {
        for (Arrow* arrow : arrowsOf(player)) {
            if (arrow->y > missHeight)
                arrow->hideForPlayer(player);
        }
    }
}

void ArrowManager::checkSongEnd(SoundManager* sound)
{
    if (!sound)
        return;
    if (sound->getStreamTime(songStream) < sound->getStreamLength(songStream))
        return;
    auto* players = findManager<PlayerManager>("PlayerManager");
    const std::string winner = players ? players->winnerName() : std::string();
    if (winnerText)
        winnerText->setText("%s won!", winner.c_str());
    if (startTick && !finalTotalsLogged) {
        logFinalTotals(winner);
        logTiming(1);
        logTiming(2);
        logChartResults();
        sound->reportUnderrunsSince(underrunsAtStart);
    }
}

void ArrowManager::logChartResults() const
{
    for (int player = 1; player <= 2 && playsChart(); ++player) {
        const ChartPlayer::Results& results = chartPlayers[static_cast<std::size_t>(player - 1)]->getResults();
        OutputHandler::log(OutputHandler::find(), "ArrowManager: Player %d holds OK %u, NG %u; mines hit %u", player,
                           results.holdsOk, results.holdsNg, results.minesHit);
    }
}

// How far from their notes the player's judged presses were, in ms.
void ArrowManager::logTiming(int player) const
{
    std::vector<double> distances;
    for (const double error : pressErrors[player == 1 ? 0 : 1])
        distances.push_back(std::fabs(error));
    if (distances.empty())
        return;
    std::sort(distances.begin(), distances.end());
    const auto at = [&distances](double share) {
        return distances[static_cast<std::size_t>(share * static_cast<double>(distances.size() - 1) + 0.5)];
    };
    OutputHandler::log(OutputHandler::find(),
                       "ArrowManager: Player %d timing: %zu judged presses, median distance %.1f ms, 99th percentile "
                       "%.1f ms",
                       player, distances.size(), at(0.5), at(0.99));
}

void ArrowManager::logFinalTotals(const std::string& winner)
{
    finalTotalsLogged = true;
    songEndTick = platform::SystemClock::tickCount();
    const auto pointsOf = [](const Player* player) { return player ? player->getPoints() : 0u; };
    const auto& one = tallies[0];
    const auto& two = tallies[1];
    OutputHandler::log(OutputHandler::find(),
                       "ArrowManager: Song over. Player 1: %u points (%u Godlike, %u Perfect, %u Great, %u Good, "
                       "%u Booo); Player 2: %u points (%u Godlike, %u Perfect, %u Great, %u Good, %u Booo); "
                       "winner: %s",
                       pointsOf(player1), one[0], one[1], one[2], one[3], one[4], pointsOf(player2), two[0], two[1],
                       two[2], two[3], two[4], winner.c_str());
}

void ArrowManager::onPlayerAction(std::uint8_t player, std::uint8_t action)
{
    onPlayerAction(player, action, platform::SystemClock::tickCount());
}

void ArrowManager::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick)
{
    if (player != 1 && player != 2)
        return;
    const Press press = pressAt(pressTick);
    const bool direction = action >= firstDirection && action <= lastDirection;
    if (direction && chartPlayers[player - 1])
        chartPlayers[player - 1]->onLaneDown(actionLanes[action - 1], platform::SystemClock::tickCount());
    if (direction)
        hitLane(player, actionLanes[action - 1], press);
    else if (action > lastDirection && action <= lastSlot)
        onSlot(player, action, press);
}

// Where the song was when the key went down: the song clock now, less the
// time since the press in song time. A press stamped in the future counts
// as now.
ArrowManager::Press ArrowManager::pressAt(std::uint32_t pressTick)
{
    const SongReading now = songTimeNow();
    const auto age = static_cast<std::int32_t>(now.tick - pressTick);
    const std::uint32_t msAgo = age > 0 ? static_cast<std::uint32_t>(age) : 0;
    return {now.songMs - msAgo * songRate(), msAgo, now.tick - msAgo};
}

// The oldest arrow of the lane that was judgeable at the press, unless the
// lane's goal marker is hidden for the player (a missile blocks it): then
// the press hits nothing.
void ArrowManager::hitLane(std::uint8_t player, std::uint8_t lane, const Press& press)
{
    const GoalMarker* goal = goals[lane];
    if (goal && goal->isHiddenFor(player))
        return;
    std::vector<Arrow*>& arrows = arrowsOf(player);
    const auto hit = std::find_if(arrows.begin(), arrows.end(), [lane, &press](const Arrow* arrow) {
        return arrow->getLane() == lane && arrow->qualityAt(press.songMs) != 0.0f;
    });
    if (hit != arrows.end()) {
        Arrow* arrow = *hit;
        arrows.erase(hit);
        const Judgement& earned = judgementFor(arrow->qualityAt(press.songMs));
        judge(arrow->qualityAt(press.songMs), player);
        if (earnedListener)
            earnedListener({player, lane, arrow->getNumber(), earned.word});
        if (arrow->followsSong())
            pressErrors[player == 1 ? 0 : 1].push_back(press.songMs - arrow->getNoteMs());
        ChartPlayer* chartPlayer = chartPlayers[player - 1].get();
        if (!chartPlayer || !chartPlayer->startHold(arrow))
            arrow->hideForPlayer(player);
    }
    catchGimmick(player, lane, press.msAgo);
}

// Whether or not an arrow was hit, the first gimmick of the lane that was
// inside its catch window at the press explodes. Either player may catch
// any gimmick.
void ArrowManager::catchGimmick(std::uint8_t player, std::uint8_t lane, std::uint32_t msAgo)
{
    const auto* gimmicks = findManager<GimmickManager>("GimmickManager");
    if (!gimmicks)
        return;
    for (Gimmick* gimmick : gimmicks->getGimmicks()) {
        const float quality = gimmick->qualityAt(msAgo);
        const bool reachable = !catchesOwnFieldOnly || gimmick->side == player;
        if (quality != 0.0f && gimmick->lane == lane && reachable) {
            gimmick->hit(quality);
            return;
        }
    }
}

// Once the song has played past the guard time, Slot1 and Slot3 fire the
// player's gimmick in slot 1, Slot2 and Slot4 the one in slot 0; the guard
// also swallows the held starting press. Before the song starts they do
// nothing here: the story screen starts it.
void ArrowManager::onSlot(std::uint8_t player, std::uint8_t action, const Press& press)
{
    if (!startTick || press.songMs <= gimmickGuardMs)
        return;
    const bool oddSlotKey = (action - lastDirection) % 2 == 1;
    if (auto* gimmicks = findManager<GimmickManager>("GimmickManager"))
        gimmicks->launch(static_cast<std::int8_t>(player), oddSlotKey ? 1 : 0);
}

void ArrowManager::startSong(std::uint32_t pressTick, double fromMs)
{
    const std::uint32_t startedAt = pressAt(pressTick).tick;
    if (SoundManager* sound = findManager<SoundManager>("SoundManager")) {
        underrunsAtStart = sound->getUnderrunCount();
        if (fromMs > 0.0)
            sound->playFrom(songStream, fromMs / 1000.0);
        else
            sound->play(songStream);
    }
    lastReading.reset();
    firstReading.reset();
    startTick = startedAt;
}

void ArrowManager::judge(float quality, int player)
{
    const Judgement& judgement = judgementFor(quality);
    const std::size_t index = static_cast<std::size_t>(&judgement - judgements.data());
    ++tallies[player == 1 ? 0 : 1][index];
    if (index == 0) {
        if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
            sound->play("Godlike");
    }
    if (Text* text = getQualityText(player)) {
        text->setText("%s", judgement.word);
        text->restart();
    }
    if (Player* target = player == 1 ? player1 : player2)
        target->addPoints(judgement.points);
}

const ArrowManager::Judgement& ArrowManager::judgementFor(float quality)
{
    for (const Judgement& judgement : judgements) {
        if (quality > judgement.above)
            return judgement;
    }
    return judgements.back();
}

const std::vector<Arrow*>& ArrowManager::getArrows(int player) const
{
    static const std::vector<Arrow*> none;
    if (player == 1)
        return p1Arrows;
    return player == 2 ? p2Arrows : none;
}

const std::array<std::uint32_t, ArrowManager::judgementCount>& ArrowManager::getTally(int player) const
{
    return tallies[player == 1 ? 0 : 1];
}

void ArrowManager::applyRemote(const Earned& earned)
{
    if (earned.player != 1 && earned.player != 2)
        return;
    if (earned.arrowNumber != 0) {
        std::vector<Arrow*>& arrows = arrowsOf(earned.player);
        const auto hit = std::find_if(arrows.begin(), arrows.end(),
                                      [&earned](const Arrow* arrow) { return arrow->getNumber() == earned.arrowNumber; });
        if (hit != arrows.end()) {
            (*hit)->hideForPlayer(earned.player);
            arrows.erase(hit);
        }
    }
    const auto judgement = std::find_if(judgements.begin(), judgements.end(), [&earned](const Judgement& candidate) {
        return std::string_view(candidate.word) == earned.word;
    });
    if (judgement != judgements.end())
        ++tallies[earned.player == 1 ? 0 : 1][static_cast<std::size_t>(judgement - judgements.begin())];
    if (Text* text = getQualityText(earned.player)) {
        text->setText("%s", earned.word);
        text->restart();
    }
}
