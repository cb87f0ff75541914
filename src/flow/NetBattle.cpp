#include "flow/NetBattle.h"

#include "chart/ChartHash.h"
#include "chart/Song.h"
#include "chart/SongFolder.h"
#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "game/ChartPlayer.h"
#include "game/GimmickManager.h"
#include "game/GoalMarker.h"
#include "game/Missile.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "library/SongSelection.h"
#include "platform/LocalAddresses.h"
#include "platform/SystemClock.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {

constexpr std::int64_t microsecondsPerMs = 1000;
static_assert(MissileStore::thresholdCount == net::thresholdCount && MissileStore::slotCount == net::slotCount,
              "the points message carries one bit per threshold and per slot");

void log(const char* format, const std::string& value = {})
{
    OutputHandler::log(OutputHandler::find(), format, value.c_str());
}

// The rate this machine plays the music at; the host's offer sets the guest's.
double musicRate()
{
    const SoundManager* sound = Match::findSound();
    return sound ? sound->getMusicRate() : 1.0;
}

// The song is known by its chart's 64-bit hash, little-endian in the
// message's hash field; all zeros stands for the game's own song, which
// every copy of the game has.
net::ChartHash wireHash(std::uint64_t value)
{
    net::ChartHash bytes{};
    for (std::size_t index = 0; index < sizeof value; ++index)
        bytes[index] = static_cast<std::uint8_t>(value >> (8 * index));
    return bytes;
}

// All zeros for none: the game's own song.
net::ChartHash wireHash(const chart::Chart* chart)
{
    return chart ? wireHash(chart::ChartHash::of(*chart).value()) : net::ChartHash{};
}

bool isGamesOwnSong(const net::ChartHash& hash)
{
    return std::all_of(hash.begin(), hash.end(), [](std::uint8_t byte) { return byte == 0; });
}

bool sameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

// A song of the library whose music can be played, or null with the reason logged.
std::unique_ptr<chart::Song> loadPlayable(const std::filesystem::path& folder)
{
    chart::ReadResult read = chart::SongFolder::load(folder);
    if (!read.error.empty() || read.song.charts.empty() || !SoundManager::canOpen(read.song.musicPath.string()))
        return nullptr;
    return std::make_unique<chart::Song>(std::move(read.song));
}

} // namespace

NetBattle::NetBattle(Match& match, const NetPlan& plan, const std::string& playerName)
    : match(match)
    , plan(plan)
    , session(playerName)
{
    open = plan.hosting ? session.host(plan.port) : session.join(plan.hostName, plan.port);
    if (!open)
        log("NetBattle: %s", session.problem());
    else if (plan.hosting)
        log("NetBattle: Hosting on port %s", std::to_string(plan.port));
    else
        log("NetBattle: Joining %s", plan.hostName + ":" + std::to_string(plan.port));
    match.getArrows().judging().setEarnedListener([this](const PressJudge::Earned& earned) { sendEarned(earned); });
    GimmickManager::instance()->setCatchesOwnFieldOnly(true);
    GimmickManager::instance()->awardOnly(localPlayer());
}

NetBattle::~NetBattle()
{
    match.getArrows().judging().setEarnedListener({});
    GimmickManager::instance()->setCatchesOwnFieldOnly(false);
    GimmickManager::instance()->awardOnly(0);
    session.close();
}

void NetBattle::close()
{
    if (open)
        log("NetBattle: The link is closed");
    session.close();
    open = false;
}

bool NetBattle::isConnected() const
{
    const auto state = session.state();
    return state == net::NetSession::State::Connected || state == net::NetSession::State::InSong;
}

void NetBattle::update(std::uint32_t tick)
{
    if (!open)
        return;
    session.update();
    while (auto message = session.receive())
        handle(*message);
    if (!greeted && isConnected() && session.clockSynced()) {
        greeted = true;
        log("NetBattle: %s is here; the clocks agree", session.peerName());
        noticeText = plan.hosting ? "" : "Waiting for " + session.peerName() + " to choose the song";
        match.showStory();
    }
    if (!peerLostNoticed && greeted && !isConnected()) {
        peerLostNoticed = true;
        noticeText = session.problem().empty() ? net::opponentLeftText : session.problem();
        log("NetBattle: %s", noticeText);
    }
    ArrowManager& arrows = match.getArrows();
    if (songRunning && !arrows.songRun().isStarted())
        forgetRound();
    startWhenDue(tick);
    if (songRunning) {
        announceLaunches();
        reportOutcomes();
        sendPoints();
        if (arrows.songEnd().isOver() && !songEndSent)
            sendSongEnd();
        if (songEndSent && !resultsLogged && (remoteTotals || !isConnected()))
            logResults();
    }
}

// A new round: the story screen again.
void NetBattle::forgetRound()
{
    songRunning = false;
    songEndSent = false;
    remoteTotals.reset();
    resultsLogged = false;
    lastSentPoints.reset();
    outgoing.clear();
    incoming.clear();
    missilesLaunched = 0;
    lastSlots = {};
}

void NetBattle::handle(const net::Message& message)
{
    if (const auto* offer = std::get_if<net::SongOffer>(&message)) {
        onOffer(*offer);
    } else if (const auto* answer = std::get_if<net::SongAnswer>(&message)) {
        onAnswer(*answer);
    } else if (const auto* judgement = std::get_if<net::Judgement>(&message)) {
        if (judgement->player == remotePlayer()) {
            match.getArrows().judging().applyRemote({judgement->player, judgement->noteIndex == 0 ? PressJudge::noLane
                                                                                          : judgement->lane,
                                           judgement->noteIndex, net::judgementWords[judgement->word]});
            setRemotePoints(static_cast<std::uint32_t>(std::max(judgement->pointsAfter, 0)));
        }
    } else if (const auto* points = std::get_if<net::PointsState>(&message)) {
        setRemotePoints(static_cast<std::uint32_t>(std::max(points->points, 0)));
        GimmickManager::instance()->adoptStore(remotePlayer(), points->thresholdsAwarded, points->missilesInStore);
    } else if (const auto* end = std::get_if<net::SongEnd>(&message)) {
        onRemoteEnd(*end);
    } else if (const auto* launched = std::get_if<net::MissileLaunched>(&message)) {
        onRemoteLaunch(*launched);
    } else if (const auto* outcome = std::get_if<net::MissileOutcome>(&message)) {
        onOutcome(*outcome);
    }
}

// The host's slot key: the panel's song and the host's chart go to the guest;
// the song starts once the guest has answered that it has it.
void NetBattle::offerSong(const library::SongSelection& selection)
{
    if (!plan.hosting || !isConnected() || offerPending || songRunning || session.songStartUs() || !selection.currentSong())
        return;
    const library::SongEntry& entry = selection.song();
    const library::ChartChoice* choice = selection.chart(1);
    offeredSong.reset();
    offeredChart = 0;
    if (!entry.builtIn) {
        offeredSong = loadPlayable(entry.folder);
        if (!offeredSong) {
            noticeText = "The song in '" + entry.folder + "' cannot be played";
            log("NetBattle: %s", noticeText);
            return;
        }
        offeredChart = choice && choice->chartIndex < offeredSong->charts.size() ? choice->chartIndex : 0;
    }
    net::SongOffer offer;
    offer.songHash = wireHash(offeredSong ? &offeredSong->charts[offeredChart] : nullptr);
    offer.difficulty = static_cast<std::uint8_t>(choice ? choice->difficulty : library::Difficulty::Edit);
    offer.chartIndex = static_cast<std::uint8_t>(std::min<std::size_t>(offeredChart, net::maxChartIndex));
    offer.rateSteps = static_cast<std::uint8_t>(std::lround(musicRate() * net::rateStepsPerUnit));
    if (session.send(offer)) {
        offerPending = true;
        noticeText = "Waiting for " + session.peerName() + " ...";
    }
}

// The guest looks for a song with a chart of the offered hash and plays its
// own chart of it: the one named like the panel's, else the host's.
void NetBattle::onOffer(const net::SongOffer& offer)
{
    if (plan.hosting)
        return;
    // The host's next song takes a guest still looking at the results on.
    if (songRunning) {
        if (!match.getArrows().songEnd().isOver())
            return;
        match.startNewRound();
        forgetRound();
    }
    if (SoundManager* sound = Match::findSound()) {
        sound->setMusicRate(static_cast<double>(offer.rateSteps) / net::rateStepsPerUnit);
        OutputHandler::log(OutputHandler::find(), "NetBattle: The host plays the music at %.2fx",
                           sound->getMusicRate());
    }
    net::SongAnswer answer;
    answer.songHash = offer.songHash;
    if (isGamesOwnSong(offer.songHash)) {
        match.getArrows().playGamesOwnSong();
        answer.hasSong = true;
        session.send(answer);
        noticeText.clear();
        return;
    }
    // The song cache knows every chart's identity: only the song that has
    // the offered chart is read.
    const library::SongSelection& selection = match.getStory().getSelection();
    for (const library::SongEntry& entry : selection.getSongs()) {
        const bool offered = !entry.builtIn && std::any_of(entry.charts.begin(), entry.charts.end(),
            [&offer](const library::ChartChoice& chart) { return wireHash(chart.hash) == offer.songHash; });
        std::unique_ptr<chart::Song> song = offered ? loadPlayable(entry.folder) : nullptr;
        if (!song)
            continue;
        const auto hostChart = std::find_if(song->charts.begin(), song->charts.end(), [&offer](const chart::Chart& chart) {
            return wireHash(&chart) == offer.songHash;
        });
        if (hostChart == song->charts.end())
            continue;
        const library::ChartChoice* own = selection.chartOf(entry, 2);
        const auto named = std::find_if(song->charts.begin(), song->charts.end(), [own](const chart::Chart& chart) {
            return own && sameName(chart.difficulty, own->name);
        });
        const std::array<std::size_t, 2> chartIndex{static_cast<std::size_t>(hostChart - song->charts.begin()),
                                                    static_cast<std::size_t>((named != song->charts.end() ? named : hostChart)
                                                                             - song->charts.begin())};
        answer.hasSong = true;
        answer.chartIndex = static_cast<std::uint8_t>(std::min<std::size_t>(chartIndex[1], net::maxChartIndex));
        match.getArrows().playSong(std::move(song), chartIndex);
        session.send(answer);
        noticeText.clear();
        return;
    }
    session.send(answer);
    noticeText = net::songMissingText;
    log("NetBattle: %s", noticeText);
    match.showStory();
}

void NetBattle::onAnswer(const net::SongAnswer& answer)
{
    if (!plan.hosting || !offerPending)
        return;
    offerPending = false;
    if (!answer.hasSong) {
        offeredSong.reset();
        noticeText = net::songMissingText;
        log("NetBattle: %s", noticeText);
        match.showStory();
        return;
    }
    if (offeredSong)
        match.getArrows().playSong(std::move(offeredSong), {offeredChart, answer.chartIndex});
    else
        match.getArrows().playGamesOwnSong();
    if (!session.startSong())
        noticeText = "The song could not be started together";
    else
        noticeText.clear();
}

// Both machines start the song at the named moment: on the first frame at or
// after it, the music from as far in as the moment has passed.
void NetBattle::startWhenDue(std::uint32_t tick)
{
    if (songRunning || !session.songStartUs() || session.state() != net::NetSession::State::InSong)
        return;
    const std::int64_t lateUs = session.now() - *session.songStartUs();
    if (lateUs < 0)
        return;
    songRunning = true;
    OutputHandler::log(OutputHandler::find(), "NetBattle: The song starts %.1f ms after the named moment",
                       static_cast<double>(lateUs) / microsecondsPerMs);
    const auto lateMs = static_cast<std::uint32_t>(lateUs / microsecondsPerMs);
    match.startChosenSong(tick - lateMs, static_cast<double>(lateUs) / microsecondsPerMs * musicRate());
}

void NetBattle::sendEarned(const PressJudge::Earned& earned)
{
    if (earned.player != localPlayer() || !songRunning)
        return;
    const auto word = std::find_if(net::judgementWords.begin(), net::judgementWords.end(),
                                   [&earned](const char* known) { return std::string_view(known) == earned.word; });
    if (word == net::judgementWords.end())
        return;
    net::Judgement judgement;
    judgement.player = static_cast<std::uint8_t>(earned.player);
    judgement.lane = earned.lane < net::laneCount ? earned.lane : 0;
    judgement.noteIndex = std::min(earned.arrowNumber, net::maxNoteIndex);
    judgement.word = static_cast<std::uint8_t>(word - net::judgementWords.begin());
    // The points of the press itself follow in the next points message.
    judgement.pointsAfter = static_cast<std::int32_t>(localCounts().points);
    session.send(judgement);
}

// This player's missiles fired since the last frame go to the other machine
// with their slot, lane and song time; here they wait at the goal line for
// the other machine to tell what became of them.
void NetBattle::announceLaunches()
{
    GimmickManager* gimmicks = GimmickManager::instance();
    const auto songMs = static_cast<std::int32_t>(std::clamp(match.getArrows().songRun().now(), double{net::minSongTimeMs},
                                                             double{net::maxSongTimeMs}));
    for (std::size_t slot = 0; slot < lastSlots.size(); ++slot) {
        auto* missile = dynamic_cast<Missile*>(const_cast<Gimmick*>(lastSlots[slot]));
        const bool fired = missile && gimmicks->getSlot(localPlayer(), static_cast<int>(slot)) != missile
            && missile->isLaunched() && !missile->isAwaitingOutcome();
        if (fired) {
            missile->awaitOutcome();
            outgoing[++missilesLaunched] = missile;
            session.send(net::MissileLaunched{missilesLaunched, static_cast<std::uint8_t>(slot),
                                              static_cast<std::uint8_t>(missile->lane), songMs});
        }
        lastSlots[slot] = gimmicks->getSlot(localPlayer(), static_cast<int>(slot));
    }
}

// The other player's missiles flying here explode by this machine's rules;
// their fate and the song-time span of their block go back.
void NetBattle::reportOutcomes()
{
    const double songNow = match.getArrows().songRun().now();
    const std::uint32_t tick = platform::SystemClock::tickCount();
    for (auto flying = incoming.begin(); flying != incoming.end();) {
        const Missile* missile = flying->second;
        if (!missile->exploded) {
            ++flying;
            continue;
        }
        net::MissileOutcome outcome;
        outcome.missile = flying->first;
        const bool caught = missile->getTarget() && missile->y < missile->getTarget()->y;
        outcome.fate = !missile->isBlocking() ? net::MissileFate::Spent
                                              : caught ? net::MissileFate::Caught : net::MissileFate::Blocking;
        const auto left = static_cast<std::int32_t>(missile->getBlockUntil() - tick);
        outcome.blockStartMs = static_cast<std::int32_t>(
            std::clamp(songNow, double{net::minSongTimeMs}, double{net::maxSongTimeMs}));
        outcome.blockEndMs = outcome.blockStartMs + (missile->isBlocking() ? std::clamp(left, 0, net::maxBlockMs) : 0);
        session.send(outcome);
        logBlock(outcome.missile, remotePlayer(), missile->lane, outcome.blockEndMs);
        flying = incoming.erase(flying);
    }
}

// The other player fired: the missile flies up this player's field from
// where it would be by now.
void NetBattle::onRemoteLaunch(const net::MissileLaunched& launched)
{
    if (!songRunning || incoming.count(launched.missile))
        return;
    Missile* missile = GimmickManager::instance()->launchInLane(static_cast<std::int8_t>(remotePlayer()),
                                                                 static_cast<std::int8_t>(launched.slot), launched.lane);
    if (!missile)
        return;
    const double late = match.getArrows().songRun().now() - launched.songTimeMs;
    if (late > 0.0)
        missile->climbFor(static_cast<std::uint32_t>(std::min(late, double{net::maxBlockMs})));
    incoming[launched.missile] = missile;
}

// What became of this player's missile: its block lasts until the song time
// the other machine named, starting at once when the message comes late.
void NetBattle::onOutcome(const net::MissileOutcome& outcome)
{
    const auto found = outgoing.find(outcome.missile);
    if (found == outgoing.end())
        return;
    const double left = outcome.fate == net::MissileFate::Spent ? 0.0 : outcome.blockEndMs - match.getArrows().songRun().now();
    const auto blockMs = static_cast<std::uint32_t>(std::clamp(left, 0.0, double{net::maxBlockMs}));
    found->second->explodeWithBlock(blockMs);
    logBlock(outcome.missile, localPlayer(), found->second->lane,
             static_cast<std::int32_t>(match.getArrows().songRun().now()) + static_cast<std::int32_t>(blockMs));
    outgoing.erase(found);
}

// Both machines log where a missile's block ends on their song clock.
void NetBattle::logBlock(std::uint16_t missile, int launcher, int lane, std::int32_t untilMs) const
{
    OutputHandler::log(OutputHandler::find(), "NetBattle: Missile %u of player %d: lane %d free at song time %d ms",
                       missile, launcher, lane, untilMs);
}

// Each player's own machine counts that player's points, thresholds and
// stored missiles; the other follows.
void NetBattle::sendPoints()
{
    const MissileStore& store = GimmickManager::instance()->getStore();
    net::PointsState state;
    state.points = static_cast<std::int32_t>(std::min<std::uint32_t>(localCounts().points, net::maxPoints));
    state.thresholdsAwarded = store.awardedTo(localPlayer());
    state.missilesInStore = store.storedBy(localPlayer());
    const bool same = lastSentPoints && lastSentPoints->points == state.points
        && lastSentPoints->thresholdsAwarded == state.thresholdsAwarded
        && lastSentPoints->missilesInStore == state.missilesInStore;
    if (!same && session.send(state))
        lastSentPoints = state;
}

void NetBattle::setRemotePoints(std::uint32_t points)
{
    if (Player* remote = match.getArrows().judging().playerNumber(remotePlayer())) {
        remote->resetPoints();
        remote->addPoints(points);
    }
}

ResultsBoard::Counts NetBattle::localCounts() const
{
    const ArrowManager& arrows = match.getArrows();
    ResultsBoard::Counts counts;
    counts.judgements = arrows.judging().scoreOf(localPlayer()).getTally();
    if (const Player* local = arrows.judging().playerNumber(localPlayer()))
        counts.points = local->getPoints();
    if (const ChartPlayer* chartPlayer = arrows.getChartPlayer(localPlayer())) {
        counts.holdsAndMines = true;
        counts.holdsOk = chartPlayer->getResults().holdsOk;
        counts.holdsNg = chartPlayer->getResults().holdsNg;
        counts.minesHit = chartPlayer->getResults().minesHit;
    }
    return counts;
}

void NetBattle::sendSongEnd()
{
    songEndSent = true;
    sendPoints();
    const ResultsBoard::Counts counts = localCounts();
    net::SongEnd end;
    end.points = static_cast<std::int32_t>(std::min<std::uint32_t>(counts.points, net::maxPoints));
    for (std::size_t index = 0; index < end.words.size(); ++index)
        end.words[index] = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts.judgements[index], 0xffff));
    end.holdsOk = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts.holdsOk, 0xffff));
    end.holdsNg = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts.holdsNg, 0xffff));
    end.minesHit = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts.minesHit, 0xffff));
    session.send(end);
}

void NetBattle::onRemoteEnd(const net::SongEnd& end)
{
    ResultsBoard::Counts counts;
    for (std::size_t index = 0; index < end.words.size(); ++index)
        counts.judgements[index] = end.words[index];
    counts.holdsOk = end.holdsOk;
    counts.holdsNg = end.holdsNg;
    counts.minesHit = end.minesHit;
    counts.points = static_cast<std::uint32_t>(std::max(end.points, 0));
    counts.holdsAndMines = match.getArrows().playsChart();
    remoteTotals = counts;
    setRemotePoints(counts.points);
}

const ResultsBoard::Counts* NetBattle::remoteCounts(int player) const
{
    return player == remotePlayer() && remoteTotals ? &*remoteTotals : nullptr;
}

// Both machines write the same line: each player's totals as their own
// machine counted them (the last known ones of a player who left).
void NetBattle::logResults()
{
    resultsLogged = true;
    const ArrowManager& arrows = match.getArrows();
    std::array<ResultsBoard::Counts, 2> both{};
    both[static_cast<std::size_t>(localPlayer() - 1)] = localCounts();
    ResultsBoard::Counts& remote = both[static_cast<std::size_t>(remotePlayer() - 1)];
    if (remoteTotals) {
        remote = *remoteTotals;
    } else {
        remote.judgements = arrows.judging().scoreOf(remotePlayer()).getTally();
        if (const Player* player = arrows.judging().playerNumber(remotePlayer()))
            remote.points = player->getPoints();
    }
    const std::string winner = PlayerManager::instance()->winnerName();
    const auto& one = both[0];
    const auto& two = both[1];
    OutputHandler::log(OutputHandler::find(),
                       "NetBattle: Results. Player 1: %u points (%u Godlike, %u Perfect, %u Great, %u Good, %u Booo, "
                       "%u holds OK, %u NG, %u mines); Player 2: %u points (%u Godlike, %u Perfect, %u Great, %u Good, "
                       "%u Booo, %u holds OK, %u NG, %u mines); winner: %s",
                       one.points, one.judgements[0], one.judgements[1], one.judgements[2], one.judgements[3],
                       one.judgements[4], one.holdsOk, one.holdsNg, one.minesHit, two.points, two.judgements[0],
                       two.judgements[1], two.judgements[2], two.judgements[3], two.judgements[4], two.holdsOk,
                       two.holdsNg, two.minesHit, winner.c_str());
}

std::vector<std::string> NetBattle::lobbyLines() const
{
    std::vector<std::string> lines;
    if (!open) {
        lines.push_back(session.problem().empty() ? "The network battle could not start" : session.problem());
    } else if (plan.hosting) {
        lines.push_back("Hosting a battle on UDP port " + std::to_string(plan.port) + ".");
        const std::vector<std::string> addresses = platform::localAddresses();
        lines.push_back(addresses.empty() ? "This machine is on no network: only a game on it can join, at"
                                          : "Give the other player one of these addresses:");
        for (const std::string& address : addresses.empty() ? std::vector<std::string>{"127.0.0.1"} : addresses)
            lines.push_back("    " + address + ":" + std::to_string(plan.port));
        lines.push_back("Waiting for the other player ...");
    } else {
        lines.push_back("Joining the battle at " + plan.hostName + ":" + std::to_string(plan.port) + " ...");
    }
    if (open && !session.problem().empty())
        lines.push_back(session.problem());
    lines.push_back("Escape: back to the story");
    return lines;
}
