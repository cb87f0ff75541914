#pragma once

#include "game/ScrollSpeed.h"
#include "library/RecordedRound.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <optional>
#include <string>

class ArrowManager;
class RecordKeeper;

// Plays a recorded round again through the arrow manager, as the players'
// keys would: every press and release goes in at its own song time, in the
// frame the round read it (its song time plus its reading delay), in the
// order the input handler fires keys (player 1's Up, Right, Down, Left and
// slots, then player 2's), and a lane still down from before is held on
// every frame. Judging, points, combo, missiles, dancer and winner follow;
// a press counts as blocked by a missile where the round found it so (when
// the round kept that). A round of a battle across two machines is played
// with this machine's player as above and the other player as its machine
// told it: its words take its arrows away, its points follow, its missiles
// fly up at their song times.
class ReplayPlayer {
public:
    // Gives the arrow manager the round's song and charts (the game's own
    // song for a round without a song folder); the players' speeds are the
    // round's from then on (`speeds`). False, with a line saying why, when
    // the round cannot be played: its song is missing or cannot be read, a
    // chart has changed (by its identity), or the song is shorter than the
    // round. The arrow manager then holds the game's own song.
    bool prepare(const library::RecordedRound& round, ArrowManager& arrows, RecordKeeper& records);
    // From the round's first input on, at the round's music rate.
    void start(library::RecordedRound round);
    // The music's rate goes back to what it was.
    void stop();
    bool isPlaying() const { return replayed.has_value(); }
    const library::RecordedRound* round() const { return replayed ? &*replayed : nullptr; }
    // Each player's scroll speed in the round prepared last; `fallback` for
    // the game's own song, whose round keeps no speed.
    std::array<ScrollSpeed, 2> speeds(const std::array<ScrollSpeed, 2>& fallback) const
    {
        return roundSpeeds.value_or(fallback);
    }

    // Once per frame, before the arrow manager's update: the inputs whose
    // moment has come. Nothing before the song starts or while it stands.
    void feed(ArrowManager& arrows);

private:
    std::string loadSong(const library::RecordedRound& round, ArrowManager& arrows, RecordKeeper& records);
    void feedPlayer(ArrowManager& arrows, int player, double songNowMs, double rate);
    void feedRemote(ArrowManager& arrows, double songNowMs);
    std::optional<bool> roundBlocked(const library::RoundInput& input) const;

    static constexpr std::size_t directions = 4;

    std::optional<library::RecordedRound> replayed;
    std::optional<std::array<ScrollSpeed, 2>> roundSpeeds;
    double rateBefore = 1.0;
    std::array<std::size_t, 2> next{};
    std::size_t nextRemote = 0;
    std::size_t nextMissile = 0;
    std::array<std::bitset<directions>, 2> down{};
};
