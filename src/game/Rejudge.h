#pragma once

#include "game/MissileStore.h"
#include "game/PlayerScore.h"

#include <array>
#include <cstdint>

class PressErrors;

// The round judged again as if the offset had been `shiftMs` larger: each
// judged press of a player's song, `shiftMs` earlier against its note, earns
// the word of its new distance (MsWindows), or misses when it falls out of
// every window; the notes missed stay missed. From the words follow each
// player's tally, combo, earned points (holds and mines kept as they were),
// battle points, the missiles the points award and the winner. The notes and
// presses are taken in song order, as they were judged.
class Rejudge {
public:
    struct Side {
        PlayerScore::Tally tally{};
        std::uint32_t misses = 0;
        std::uint32_t highestCombo = 0;
        bool fullCombo = false;
        std::uint32_t earned = 0;
        // In the battle: the player's points less those the presses earned,
        // plus what they earn now.
        std::uint32_t points = 0;
        // Thresholds (MissileStore) this player reached first.
        std::uint32_t missiles = 0;
    };
    struct Result {
        std::array<Side, 2> players;
        // 1 or 2; 0 for a tie.
        int winner = 0;
    };

    // `battlePoints`: each player's points in the battle as the round ended.
    static Result of(const PressErrors& errors, const std::array<const PlayerScore*, 2>& scores,
                     const std::array<std::uint32_t, 2>& battlePoints, double shiftMs);
};
