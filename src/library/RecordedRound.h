#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace library {

// One press or release of a player, where the song was when it came.
struct RoundInput {
    // What the press hit: nothing, a judgement (best first, as the round's
    // tally counts them) or a mine; or it came in a lane a missile blocked,
    // where nothing is judged.
    enum Hit : std::uint8_t { Nothing = 0, Godlike, Perfect, Great, Good, Booo, Mine, Blocked, hitCount };
    static constexpr std::uint8_t laneCount = 8; // four arrows, then the four slots

    std::int64_t songUs = 0;
    std::uint8_t lane = 0;
    bool release = false;
    std::uint8_t hit = Nothing;
    // How long after it the game read it (the next frame's input): a replay
    // hands it over in the frame that reading falls in, as the round did.
    std::uint16_t readAfterMs = 0;

    friend bool operator==(const RoundInput&, const RoundInput&) = default;
};

// A missile of the battle: fired by `player` into the other's `lane`, caught
// by the other on its way, or blocking that lane for `blockMs`.
struct RoundMissile {
    enum Kind : std::uint8_t { Sent = 0, Caught, Blocked, kindCount };

    std::int64_t songUs = 0;
    std::uint8_t player = 1;
    std::uint8_t lane = 0;
    Kind kind = Sent;
    std::uint32_t blockMs = 0;

    friend bool operator==(const RoundMissile&, const RoundMissile&) = default;
};

// What the other machine told of its player in a battle across two
// machines, where the song was when it came: a word it judged (the lane and
// the arrow's number as it sent them; number 0 for a hold's end or a mine,
// `word` indexing the battle's words), or the player's points.
struct RemoteEvent {
    enum Kind : std::uint8_t { Word = 0, Points, kindCount };
    std::int64_t songUs = 0;
    Kind kind = Word;
    std::uint8_t lane = 0;
    std::uint8_t word = 0;
    std::uint32_t arrowNumber = 0;
    std::uint32_t points = 0;

    friend bool operator==(const RemoteEvent&, const RemoteEvent&) = default;
};

// One player's side of the round.
struct PlayerRound {
    std::string name;
    // The chart played, by its identity (chart::ChartHash in hex), and its difficulty.
    std::string chartHash;
    std::string chart;
    double speed = 1.0;
    // In the order they came, song time never going back.
    std::vector<RoundInput> inputs;

    friend bool operator==(const PlayerRound&, const PlayerRound&) = default;
};

// Everything needed to play a round again as it was played: both players'
// presses and releases, their speeds and charts, the random seed and the
// missiles, kept in memory while the song plays.
struct RecordedRound {
    // The song's folder as the library names it (empty for the game's own song).
    std::string song;
    std::int64_t songLengthUs = 0;
    double rate = 1.0;
    std::uint32_t seed = 0;
    std::array<PlayerRound, 2> players;
    // In the order they came.
    std::vector<RoundMissile> missiles;
    // Across two machines the player this machine played (1 or 2); the
    // other one is kept as its machine told it (`remote`). 0 at one screen.
    std::uint8_t localPlayer = 0;
    std::vector<RemoteEvent> remote;
    // Whether presses in a blocked lane are marked so (older files do not).
    bool blocksKept = true;

    friend bool operator==(const RecordedRound&, const RecordedRound&) = default;
};

} // namespace library
