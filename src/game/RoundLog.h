#pragma once

#include "game/ChartPlayer.h"
#include "game/PlayerScore.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The lines the arrow manager writes to the log at the song's end.
class RoundLog {
public:
    // Each player's battle points and counts, and the winner's name.
    static void totals(const std::array<std::uint32_t, 2>& points, const std::array<PlayerScore, 2>& scores,
                       const std::string& winner);
    // The holds and mines of each player's chart of a player's song
    // (nothing for the game's own song).
    static void chartResults(const std::array<std::unique_ptr<ChartPlayer>, 2>& chartPlayers);
    // How far from their notes (at `noteMs`) the player's judged presses
    // were, in ms (nothing without presses).
    static void timing(int player, const std::vector<double>& noteMs, const std::vector<double>& pressErrors);
};
