#pragma once

#include "chart/Lane.h"
#include "core/Object.h"
#include "core/ObjectRegistry.h"
#include "game/OwnSongStepper.h"
#include "game/PlayTexts.h"
#include "game/PlayerFields.h"
#include "game/PressJudge.h"
#include "game/ScrollSpeed.h"
#include "game/SongEnd.h"
#include "game/SongRun.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace chart {
struct Song;
}

class ChartPlayer;
class Dancer;

// Turns the chart into arrows in time with the song and judges the players'
// presses. Registered as "ArrowManager".
//
// It plays the game's own song (OwnSongStepper) or a player's song's charts,
// one per player, each in its own field (ChartPlayer). The arrows live in the
// players' fields (PlayerFields), presses are judged by the PressJudge, the
// words shown in the PlayTexts, and the SongEnd names the winner. Which song
// plays, the song panel, the calibration, the results and the rounds are the
// match's (src/flow).
class ArrowManager : public Object {
public:
    ArrowManager();
    ~ArrowManager() override;

    // Reads the chart, creates the judgement and winner texts and finds the
    // players and goal markers. Needs the scene graph, the goal markers, the
    // player manager and the step file reader.
    void init();
    // Another round without loading anything again: a new pass, and the
    // step schedule, tallies, press errors and texts start afresh. Points,
    // gimmicks, sidebars, the dancer and the results are their owners' to reset.
    void newRound();
    // The same charts again (practice): the song stream stops and its clock
    // goes back to 0, every arrow leaves the scene, the song's end starts
    // afresh and the chart players start again from their first notes. The
    // tallies, points, combo and press errors go on.
    void newPass();
    // Once per frame, after the input and before the scene graph; `tick` is
    // the tick count taken at the start of the frame.
    void update(std::uint32_t tick);
    // A bound key or button of a player (1 or 2) is down while the song
    // plays: actions 1 to 4 are Up, Right, Down, Left; 5 to 8 the slots,
    // which go to the gimmick manager. The press is judged where the song
    // was at `pressTick`, the tick count at which the key went down (without
    // it: now). On a player's song only a new press judges an arrow: a
    // direction still down from before (a hold) keeps holds and sets off
    // mines but hits no arrow arriving under it.
    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::optional<std::uint32_t> pressTick = {},
                        bool newPress = true);
    // A direction of a player went up at `releaseTick`: on a player's song
    // it judges the lane's lift, by where the song was then.
    void onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick);
    // A recorded press, hold or release of a replay, judged at its own song
    // time as a player's would be at its tick, blocked if the round found its
    // lane blocked (`roundBlocked`, where the round kept that): lanes 0 to 3
    // are the arrow lanes, 4 to 7 the slots (only a new press of a slot counts).
    void onRecordedInput(std::uint8_t player, std::uint8_t lane, double songMs, Arrow::LaneEvent event,
                         std::optional<bool> roundBlocked = std::nullopt);
    // Plays the song from its start, as of the moment of `pressTick`; a start
    // `fromMs` late (a moment agreed with another machine) plays from there.
    // A player's song whose first note comes too soon for its arrow to rise
    // from the spawn line starts with a lead-in (ChartPlayer::leadInMs, the
    // larger of the two players'); so does a start `fromMs` before the
    // music's time 0, counting up to it.
    void startSong(std::uint32_t pressTick, double fromMs = 0.0);
    // A pause (SongRun::pause); not before the song starts or after its end.
    void pauseSong();
    // From the next start on, each player plays their chart (by index) of
    // this song instead of the game's own; a bad index plays the first.
    void playSong(std::unique_ptr<chart::Song> song, const std::array<std::size_t, 2>& chartIndex);
    void playGamesOwnSong();
    // Each player's scroll speed, from the next start of the song on (before
    // it starts).
    void setSpeeds(const std::array<ScrollSpeed, 2>& chosen);
    // The dancer node stores itself here when it is constructed; not owned.
    // It hears of every step.
    void setDancer(Dancer* node) { dancer = node; }

    SongRun& songRun() { return run; }
    const SongRun& songRun() const { return run; }
    PlayerFields& fields() { return playerFields; }
    PressJudge& judging() { return judge; }
    const PressJudge& judging() const { return judge; }
    const PlayTexts& texts() const { return playTexts; }
    const SongEnd& songEnd() const { return end; }
    // The player's song that plays from the next start on (null: the game's
    // own song plays).
    const chart::Song* getSong() const { return chosenSong.get(); }
    // The player's chart player (null on the game's own song).
    const ChartPlayer* getChartPlayer(int player) const;

private:
    static constexpr std::uint8_t firstDirection = 1;
    static constexpr std::uint8_t lastDirection = 4;
    static constexpr std::uint8_t lastSlot = 8;
    // The lanes of player actions 1 to 4 (Up, Right, Down, Left).
    static constexpr std::array<std::uint8_t, lastDirection> actionLanes{LaneUp, LaneRight, LaneDown, LaneLeft};

    template <typename T>
    static T* findManager(const char* name) { return ObjectRegistry::instance()->findAs<T>(name); }
    void restartChartPlayers();
    void startChartPlayer(std::size_t index, const chart::Chart& chart);
    void pressLane(std::uint8_t player, std::uint8_t lane, const SongRun::Press& press, Arrow::LaneEvent event,
                   std::optional<bool> roundBlocked = std::nullopt);
    void pressSlot(std::uint8_t player, std::uint8_t slotLane, const SongRun::Press& press, bool newPress);
    SongPlayer& songOf(int player);

    // The dancer hears of every step once its node exists.
    Dancer* dancer = nullptr;
    PlayTexts playTexts;
    PlayerFields playerFields;
    PressJudge judge{playerFields, playTexts};
    SongEnd end{playTexts, judge};
    SongRun run{OwnSongStepper::streamName};
    OwnSongStepper ownSong{playerFields};
    std::unique_ptr<chart::Song> chosenSong;
    std::array<std::unique_ptr<ChartPlayer>, 2> chartPlayers;
    std::array<ScrollSpeed, 2> speeds{};
};
