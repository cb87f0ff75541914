#include "game/ArrowManager.h"

#include "chart/Song.h"
#include "core/OutputHandler.h"
#include "game/ChartPlayer.h"
#include "game/FairPoints.h"
#include "game/FieldHeights.h"
#include "game/GimmickManager.h"
#include "game/StepFileManager.h"
#include "platform/SystemClock.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cstdlib>

ArrowManager::ArrowManager()
    : Object(true, "ArrowManager")
{
}

ArrowManager::~ArrowManager() = default;

void ArrowManager::init()
{
    OutputHandler* log = OutputHandler::find();
    OutputHandler::log(log, "Initializing ArrowManager ...");
    if (!ownSong.load(findManager<StepFileManager>("StepFileManager"))) {
        OutputHandler::report(log, Fatal, "arrowmanager: assertion failed: stepfile");
        return;
    }
    run.reset();
    playTexts.createJudgementTexts();
    judge.findPlayers();
    playTexts.createComboTexts();
    judge.attachScores();
    judge.findGoals();
    if (auto* gimmicks = findManager<GimmickManager>("GimmickManager"))
        gimmicks->setMissileListener(
            [this](int player, int lane, library::RoundMissile::Kind kind, std::uint32_t blockMs) {
                if (run.isStarted() && lane >= 0 && lane < static_cast<int>(lastDirection))
                    judge.recording().missile(player, run.now(), static_cast<std::uint8_t>(lane), kind, blockMs);
            });
    ownSong.timeSteps(FieldHeights::goalY() - FieldHeights::spawnY());
}

void ArrowManager::newRound()
{
    newPass();
    ownSong.restart();
    judge.newRound();
    playTexts.clear();
}

void ArrowManager::newPass()
{
    if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
        sound->rewind(run.stream());
    playerFields.retire();
    run.reset();
    end.newRound();
    restartChartPlayers();
}

void ArrowManager::setSpeeds(const std::array<ScrollSpeed, 2>& chosen)
{
    speeds = chosen;
    ownSong.setSpeeds(speeds, run.isStarted());
    restartChartPlayers();
}

// The same song starts again from its charts' first notes.
void ArrowManager::restartChartPlayers()
{
    for (std::size_t index = 0; index < chartPlayers.size(); ++index)
        if (chartPlayers[index])
            startChartPlayer(index, chartPlayers[index]->getChart());
}

void ArrowManager::startChartPlayer(std::size_t index, const chart::Chart& chart)
{
    chartPlayers[index] = std::make_unique<ChartPlayer>(playerFields, judge, static_cast<int>(index) + 1, chart,
                                                        ownSong.getTravel(), speeds[index].factor(chart));
}

void ArrowManager::playSong(std::unique_ptr<chart::Song> song, const std::array<std::size_t, 2>& chartIndex)
{
    playGamesOwnSong();
    if (!song || song->charts.empty())
        return;
    chosenSong = std::move(song);
    for (std::size_t index = 0; index < chartPlayers.size(); ++index)
        startChartPlayer(index, chosenSong->charts[chartIndex[index] < chosenSong->charts.size() ? chartIndex[index] : 0]);
    judge.setFairPoints(FairPoints(FairPoints::flawlessMaximum(chartPlayers[0]->getChart()),
                                   FairPoints::flawlessMaximum(chartPlayers[1]->getChart())));
    if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
        sound->setStream(chosenSong->musicPath.string().c_str(), ChartPlayer::streamName);
    run.setStream(ChartPlayer::streamName);
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
    judge.setFairPoints(FairPoints());
    if (SoundManager* sound = findManager<SoundManager>("SoundManager"))
        sound->remove(ChartPlayer::streamName);
    run.setStream(OwnSongStepper::streamName);
}

const ChartPlayer* ArrowManager::getChartPlayer(int player) const
{
    return player == 1 || player == 2 ? chartPlayers[static_cast<std::size_t>(player - 1)].get() : nullptr;
}

SongPlayer& ArrowManager::songOf(int player)
{
    if (getChartPlayer(player))
        return *chartPlayers[static_cast<std::size_t>(player - 1)];
    return ownSong;
}

void ArrowManager::update(std::uint32_t tick)
{
    // The gimmicks draw from the C library's generator.
    std::srand(tick);
    if (run.isPaused())
        return;
    const double songNow = run.advance();
    // The game's own song plays both players' arrows at once.
    for (int player = 1; player <= (chosenSong ? 2 : 1); ++player)
        songOf(player).update(songNow, tick, run.isStarted(), dancer);
    playerFields.sweepMisses(songNow, [this](int player, const Arrow& arrow) { judge.missed(player, arrow); });
    end.check(findManager<SoundManager>("SoundManager"), run.stream(), run.isStarted(), chartPlayers);
}

void ArrowManager::onPlayerAction(std::uint8_t player, std::uint8_t action, std::optional<std::uint32_t> pressTick,
                                  bool newPress)
{
    if (player != 1 && player != 2)
        return;
    const SongRun::Press press = run.pressAt(pressTick.value_or(platform::SystemClock::tickCount()));
    if (action >= firstDirection && action <= lastDirection) {
        const std::uint8_t lane = actionLanes[action - 1];
        songOf(player).onLaneDown(lane, platform::SystemClock::tickCount());
        pressLane(player, lane, press, newPress ? Arrow::LaneEvent::Press : Arrow::LaneEvent::Held);
    } else if (action > lastDirection && action <= lastSlot) {
        pressSlot(player, static_cast<std::uint8_t>(action - 1), press, newPress);
    }
}

void ArrowManager::onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick)
{
    if ((player == 1 || player == 2) && action >= firstDirection && action <= lastDirection)
        pressLane(player, actionLanes[action - 1], run.pressAt(releaseTick), Arrow::LaneEvent::Release);
}

void ArrowManager::onRecordedInput(std::uint8_t player, std::uint8_t lane, double songMs, Arrow::LaneEvent event,
                                   std::optional<bool> roundBlocked)
{
    if ((player != 1 && player != 2) || lane >= library::RoundInput::laneCount)
        return;
    const SongRun::Press press = run.pressAtSongTime(songMs);
    if (lane < lastDirection) {
        if (event != Arrow::LaneEvent::Release)
            songOf(player).onLaneDown(lane, platform::SystemClock::tickCount());
        pressLane(player, lane, press, event, roundBlocked);
    } else if (event == Arrow::LaneEvent::Press) {
        pressSlot(player, lane, press, true);
    }
}

// The press is judged, and a press (not a lift) in a lane its goal marker
// leaves open also catches a missile.
void ArrowManager::pressLane(std::uint8_t player, std::uint8_t lane, const SongRun::Press& press,
                             Arrow::LaneEvent event, std::optional<bool> roundBlocked)
{
    const bool judged = judge.judgeLane(player, lane, press, event, songOf(player), roundBlocked);
    if (!judged || event == Arrow::LaneEvent::Release)
        return;
    if (auto* gimmicks = findManager<GimmickManager>("GimmickManager"))
        gimmicks->catchPress(player, lane, press.msAgo);
}

// Slot keys go to the gimmick manager; before the song starts they do
// nothing here: the story screen starts it. The slots (lanes 4 to 7) follow
// the arrow lanes in the round's record.
void ArrowManager::pressSlot(std::uint8_t player, std::uint8_t slotLane, const SongRun::Press& press, bool newPress)
{
    if (!run.isStarted())
        return;
    if (newPress)
        judge.recording().press(player, press.songMs, slotLane, library::RoundInput::Nothing, press.msAgo);
    if (auto* gimmicks = findManager<GimmickManager>("GimmickManager"))
        gimmicks->onSlotKey(static_cast<std::int8_t>(player), static_cast<std::uint8_t>(slotLane + 1 - lastDirection),
                            press.songMs);
}

void ArrowManager::startSong(std::uint32_t pressTick, double fromMs)
{
    const std::uint32_t startedAt = run.pressAt(pressTick).tick;
    end.noteStart(findManager<SoundManager>("SoundManager"));
    const double leadIn = std::max(songOf(1).leadInMs(), songOf(2).leadInMs());
    run.start(startedAt, std::max(leadIn, -fromMs), std::max(fromMs, 0.0));
}

void ArrowManager::pauseSong()
{
    if (run.isStarted() && !end.isOver())
        run.pause();
}
