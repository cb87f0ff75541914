#include "game/ArrowManager.h"

#include "chart/Lane.h"
#include "chart/Song.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "fx/Text.h"
#include "game/ChartPlayer.h"
#include "game/FairPoints.h"
#include "game/FieldHeights.h"
#include "game/Gimmick.h"
#include "game/GimmickManager.h"
#include "game/GoalMarker.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "game/RoundLog.h"
#include "game/StepFileManager.h"
#include "platform/SystemClock.h"
#include "scene/Dancer.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr double millisecondsPerMinute = 60000.0;
constexpr const char* arrowName = "gehtdasauchso";
constexpr const char* arrowPath = "Arrow\\Arrow";
constexpr const char* carrierPath = "Arrow";
constexpr std::uint32_t qualityTextMs = 500;
constexpr std::uint32_t winnerTextMs = 5000000;
// The combo under the judgement word.
constexpr float comboX = 0.3f;
constexpr float comboY = -0.55f;

template <typename T>
T* findManager(const char* name)
{
    return ObjectRegistry::instance()->findAs<T>(name);
}

} // namespace

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
    createComboTexts();
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
        stepLength = millisecondsPerMinute / (2.0 * bpm);
        timeOwnSteps();
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
    clock.reset();
    pressErrors.clear();
    for (PlayerScore& score : scores)
        score.newRound();
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

// Under each judgement word, hidden until a combo is shown.
void ArrowManager::createComboTexts()
{
    for (int player = 1; player <= 2; ++player) {
        const auto side = static_cast<std::int8_t>(player);
        Text* text = createText(qualityTextMs, side, 24, "Arial", player == 1 ? "P1Combo" : "P2Combo");
        if (text) {
            text->setPosition(comboX, comboY);
            text->setActive(false);
        }
        comboTexts[static_cast<std::size_t>(player - 1)] = text;
        scoreOf(player).attach(player, playerNumber(player), text);
    }
}

// The slowest player's arrows of the game's own song must come into view at
// the spawn line: they are spawned that much earlier (at 1x: `travel` beats).
void ArrowManager::timeOwnSteps()
{
    const double slowest = std::min(ownSpeeds[0], ownSpeeds[1]);
    lead = travel / slowest * millisecondsPerMinute / bpm;
    firstStepTime = static_cast<double>(gap) - lead;
    nextStepTime = std::round(firstStepTime);
}

void ArrowManager::setSpeeds(const std::array<ScrollSpeed, 2>& chosen)
{
    speeds = chosen;
    for (std::size_t index = 0; index < speeds.size(); ++index)
        ownSpeeds[index] = speeds[index].factor(bpm);
    if (bpm > 0.0f && !startTick)
        timeOwnSteps();
    restartChartPlayers();
}

// The same song starts again from its charts' first notes.
void ArrowManager::restartChartPlayers()
{
    for (std::size_t index = 0; index < chartPlayers.size(); ++index) {
        if (chartPlayers[index]) {
            const chart::Chart& chart = chartPlayers[index]->getChart();
            chartPlayers[index] = std::make_unique<ChartPlayer>(*this, static_cast<int>(index) + 1, chart, travel,
                                                                speeds[index].factor(chart));
        }
    }
}

void ArrowManager::playSong(std::unique_ptr<chart::Song> song, const std::array<std::size_t, 2>& chartIndex)
{
    playGamesOwnSong();
    if (!song || song->charts.empty())
        return;
    chosenSong = std::move(song);
    for (std::size_t index = 0; index < chartPlayers.size(); ++index) {
        const chart::Chart& chart = chosenSong->charts[chartIndex[index] < chosenSong->charts.size() ? chartIndex[index] : 0];
        chartPlayers[index] = std::make_unique<ChartPlayer>(*this, static_cast<int>(index) + 1, chart, travel,
                                                            speeds[index].factor(chart));
    }
    const FairPoints fair(FairPoints::flawlessMaximum(chartPlayers[0]->getChart()),
                          FairPoints::flawlessMaximum(chartPlayers[1]->getChart()));
    for (PlayerScore& score : scores)
        score.setFairPoints(fair);
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
    for (PlayerScore& score : scores)
        score.setFairPoints(FairPoints());
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
    if (clock.isPaused())
        return;
    songNow = clock.now(songStream, startTick.has_value()).songMs;
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
    const auto follow = [&](Arrow* arrow, double speed) {
        arrow->followSong((arrivalMs - gap) / beatMs, arrivalMs, beatMs);
        arrow->setSpeed(speed);
        arrow->placeAt((songNow - gap) / beatMs);
    };
    // One arrow for both fields, unless the players' speeds differ.
    for (std::size_t i = 0; i < arrows.count; ++i) {
        if (ownSpeeds[0] == ownSpeeds[1]) {
            if (Arrow* arrow = spawnArrow(arrows.lanes[i]))
                follow(arrow, ownSpeeds[0]);
            continue;
        }
        for (int player = 1; player <= 2; ++player) {
            if (Arrow* arrow = spawnArrowFor(player, arrows.lanes[i], true)) {
                moving.push_back(arrow);
                follow(arrow, ownSpeeds[static_cast<std::size_t>(player - 1)]);
            }
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
    showQuality(player, word);
    if (earnedListener)
        earnedListener({player, noLane, 0, word});
}

// A mine costs points, never more than the player has.
void ArrowManager::mineHit(int player)
{
    scoreOf(player).mineHit(ChartPlayer::minePenalty);
    showWord(player, "Boom");
    if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
        sound->play("Explosion1");
}

// Missed arrows stay in the lists, hidden for the player; each is a miss once.
void ArrowManager::sweepMisses()
{
    for (int player = 1; player <= 2; ++player) {
        for (Arrow* arrow : arrowsOf(player)) {
            if (!arrow->isHiddenFor(player) && passedUnhit(*arrow)) {
                arrow->hideForPlayer(player);
                scoreOf(player).missed();
            }
        }
    }
}

// Above the miss height; at a speed other than 1x or judged in ms also past
// the judgement window, so that an arrow is not taken away while it can
// still be hit.
bool ArrowManager::passedUnhit(const Arrow& arrow) const
{
    if (arrow.y <= missHeight)
        return false;
    const bool byHeight = arrow.getSpeed() == 1.0 && !arrow.judgedInMs();
    return byHeight || (songNow > arrow.getNoteMs() && arrow.qualityAt(songNow) == 0.0f);
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
        RoundLog::chartResults(chartPlayers);
        sound->reportUnderrunsSince(underrunsAtStart);
    }
}

void ArrowManager::logFinalTotals(const std::string& winner)
{
    finalTotalsLogged = true;
    songEndTick = platform::SystemClock::tickCount();
    const auto pointsOf = [](const Player* player) { return player ? player->getPoints() : 0u; };
    RoundLog::totals({pointsOf(player1), pointsOf(player2)}, scores, winner);
    pressErrors.log();
}

void ArrowManager::onPlayerAction(std::uint8_t player, std::uint8_t action)
{
    onPlayerAction(player, action, platform::SystemClock::tickCount());
}

void ArrowManager::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    if (player != 1 && player != 2)
        return;
    const Press press = pressAt(pressTick);
    const bool direction = action >= firstDirection && action <= lastDirection;
    if (direction && chartPlayers[player - 1])
        chartPlayers[player - 1]->onLaneDown(actionLanes[action - 1], platform::SystemClock::tickCount());
    if (direction)
        hitLane(player, actionLanes[action - 1], press, newPress ? Arrow::LaneEvent::Press : Arrow::LaneEvent::Held);
    else if (action > lastDirection && action <= lastSlot)
        onSlot(player, action, press);
}

void ArrowManager::onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick)
{
    if ((player == 1 || player == 2) && action >= firstDirection && action <= lastDirection)
        hitLane(player, actionLanes[action - 1], pressAt(releaseTick), Arrow::LaneEvent::Release);
}

ArrowManager::Press ArrowManager::pressAt(std::uint32_t pressTick)
{
    return clock.pressAt(pressTick, songStream, startTick.has_value());
}

// The oldest arrow of the lane that the event can hit (Arrow::hitBy) and
// that was judgeable at its moment, unless the lane's goal marker is hidden
// for the player (a missile blocks it); a press also catches a missile.
void ArrowManager::hitLane(std::uint8_t player, std::uint8_t lane, const Press& press, Arrow::LaneEvent event)
{
    const GoalMarker* goal = goals[lane];
    if (goal && goal->isHiddenFor(player))
        return;
    std::vector<Arrow*>& arrows = arrowsOf(player);
    const auto hit = std::find_if(arrows.begin(), arrows.end(), [&](const Arrow* arrow) {
        return arrow->getLane() == lane && arrow->hitBy(event) && arrow->qualityAt(press.songMs) != 0.0f;
    });
    if (hit != arrows.end()) {
        Arrow* arrow = *hit;
        arrows.erase(hit);
        const Judgement& earned = judgementFor(arrow->qualityAt(press.songMs));
        judge(arrow->qualityAt(press.songMs), player);
        if (earnedListener)
            earnedListener({player, lane, arrow->getNumber(), earned.word});
        if (arrow->followsSong())
            pressErrors.record(player, arrow->getNoteMs(), press.songMs);
        ChartPlayer* chartPlayer = chartPlayers[player - 1].get();
        if (!chartPlayer || !chartPlayer->startHold(arrow))
            arrow->hideForPlayer(player);
    }
    if (event != Arrow::LaneEvent::Release)
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
    if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
        underrunsAtStart = sound->getUnderrunCount();
    const double leadIn = playsChart() ? std::max(chartPlayers[0]->leadInMs(), chartPlayers[1]->leadInMs()) : 0.0;
    clock.start(songStream, startedAt, leadIn, fromMs);
    startTick = startedAt;
}

void ArrowManager::pauseSong()
{
    if (startTick && !finalTotalsLogged)
        clock.pause(songStream);
}

void ArrowManager::judge(float quality, int player)
{
    const Judgement& judgement = judgementFor(quality);
    const std::size_t index = static_cast<std::size_t>(&judgement - judgements.data());
    if (index == 0) {
        if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
            sound->play("Godlike");
    }
    showQuality(player, judgement.word);
    scoreOf(player).judged(index, judgement.points);
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
    return scoreOf(player).getTally();
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
    if (const std::size_t judgement = Judgements::indexOf(earned.word); judgement < Judgements::count)
        scoreOf(earned.player).judged(judgement, 0);
    showQuality(earned.player, earned.word);
}

void ArrowManager::showQuality(int player, const char* word)
{
    if (Text* text = getQualityText(player)) {
        text->setText("%s", word);
        text->restart();
    }
}
