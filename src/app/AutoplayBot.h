#pragma once

#include "sound/SoundManager.h"

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace chart {
struct Chart;
}

class ArrowManager;
class Gimmick;
class MainLoop;
class Missile;
struct WindowRecord;

// Plays both players (or one, beside a person) through the real input path: it queues key events on
// the window, as a keyboard would, each stamped with the moment it is meant
// for. It starts the song from the story screen after a second, then presses
// each note's keys at the song time of the note's beat (the chart's gap plus
// half a beat per note), never looking at the arrows. Player 1 is on time; player 2 scatters like a
// person, from a fixed seed, so the battle has a winner.
// With several rounds it returns to the story screen three seconds after
// each winner and chooses the next song.
// Missiles, which players see, are fair to look at: each player fires a
// stored missile after a short seeded pause, and player 2 sometimes catches
// one flying up its field.
class AutoplayBot {
public:
    static constexpr std::uint32_t storyScreenMs = 1000;
    static constexpr std::uint32_t exitDelayMs = 3000;
    // Player 2's timing: a bell curve around a slight lateness, cut off at
    // the limit so that every press still lands on its arrow.
    static constexpr double spreadMeanMs = 10.0;
    static constexpr double spreadSigmaMs = 40.0;
    static constexpr double spreadLimitMs = 150.0;
    // The pause between a missile landing in a fireable slot and its firing.
    static constexpr std::uint32_t fireDelayMinMs = 300;
    static constexpr std::uint32_t fireDelayMaxMs = 800;
    // Player 2 goes for one incoming missile in this many.
    static constexpr int catchOneIn = 3;
    // Pressed once the missile has climbed this far into the catch window,
    // away from its centre, so that the catch still blocks the lane a while.
    static constexpr float catchFromHeight = 1.25f;
    // A lift's key goes down this long before the lift's time.
    static constexpr double liftLeadMs = 50.0;

    struct Press {
        double songMs = 0.0;
        int player = 0;
        std::uint8_t key = 0;
        // When the key goes up again (a hold's end, a lift); negative: on
        // the next frame.
        double releaseMs = -1.0;
    };

    // `rounds`: songs to play in a row, each round choosing the next song.
    // `secondLikePerson`: player 2 scatters on a player's song and goes for
    // missiles; off, both players press on time and catch nothing.
    // `onlyPlayer` 1 or 2: the bot plays that player alone, beside a person
    // on the other, who chooses and starts the songs; 0: both players.
    AutoplayBot(bool exitAtEnd, std::uint32_t seed, int rounds = 1, bool secondLikePerson = true, int onlyPlayer = 0);

    bool plays(int player) const { return onlyPlayer == 0 || onlyPlayer == player; }

    // The frame observer: called after every frame's drawing.
    void operator()(WindowRecord& record, MainLoop& mainLoop);

    // Every press of both players for a chart, in song order. Notes sit half
    // a beat apart from the gap on; keys are each player's Left, Up, Right,
    // Down in lane order.
    static std::vector<Press> planPresses(const std::string& notes, float bpm, int gap,
                                          const std::uint8_t* player1Keys, const std::uint8_t* player2Keys,
                                          std::mt19937& random);

    // Every press of both players for a player's song: taps and the heads of
    // holds and rolls on their notes' times, holds kept down to their ends,
    // lifts pressed `liftLeadMs` before their notes and released on them,
    // mines and fakes left alone.
    static std::vector<Press> planChartPresses(const chart::Chart& first, const chart::Chart& second,
                                               const std::uint8_t* player1Keys, const std::uint8_t* player2Keys,
                                               std::mt19937& random, bool secondLikePerson = true);

    // The slot key index (Player::KeySlot1 ..) that fires a slot, or nothing
    // for a slot no key fires.
    static std::optional<int> fireKeyIndex(int slot);
    // Whether a missile at this height is where the bot presses to catch it.
    static bool inCatchReach(float height);

private:
    void startOver(MainLoop& mainLoop);
    void releaseHeldKeys(WindowRecord& record);
    void press(WindowRecord& record, std::uint8_t key);
    void press(WindowRecord& record, std::uint8_t key, std::uint32_t tick, double releaseMs = -1.0);
    SoundManager::SongMoment songMoment() const;
    std::uint32_t stampOf(const SoundManager::SongMoment& now, double songMs) const;
    void startSongAfterStory(WindowRecord& record, std::uint32_t tick);
    void planSong();
    void pressDueKeys(WindowRecord& record);
    void startRound();
    void afterWinner(WindowRecord& record, std::uint32_t tick);
    void fireStoredMissiles(WindowRecord& record, std::uint32_t tick);
    void catchIncomingMissile(WindowRecord& record);
    void reportCatch();

    // A missile waiting in a fireable slot and when its key is due.
    struct PendingFire {
        const Gimmick* gimmick = nullptr;
        std::uint32_t dueTick = 0;
    };

    const bool exitAtEnd;
    const std::uint32_t seed;
    const int rounds;
    const bool secondLikePerson;
    const int onlyPlayer;
    int roundsPlayed = 0;
    bool nextSongChosen = false;
    // The main loop being played; a display-mode switch brings a new one.
    MainLoop* playing = nullptr;
    ArrowManager* arrows = nullptr;
    std::uint32_t firstTick = 0;
    bool planned = false;
    std::vector<Press> presses;
    std::size_t nextPress = 0;
    // Keys down and the song time they go up at (negative: the next frame),
    // each going up stamped with that moment.
    struct HeldKey {
        std::uint8_t key = 0;
        double releaseMs = -1.0;
    };
    std::vector<HeldKey> heldKeys;
    std::optional<std::uint32_t> winnerTick;
    // Apart from the note plan's generator, so missiles leave the notes as they are.
    std::mt19937 missileRandom;
    // By player, then by fireable slot (0 and 1).
    std::array<std::array<PendingFire, 2>, 2> pendingFires{};
    // Missiles in player 2's field whose catch has been decided.
    std::vector<const Missile*> consideredMissiles;
    const Missile* catching = nullptr;
};
