#pragma once

#include "game/PlayerScore.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The lines the arrow manager writes to the log at the song's end.
class RoundLog {
public:
    // Each player's battle points and counts, and the winner's name.
    static void totals(const std::array<std::uint32_t, 2>& points, const std::array<PlayerScore, 2>& scores,
                       const std::string& winner);
    // How far from their notes the player's judged presses were, in ms
    // (nothing without presses).
    static void timing(int player, const std::vector<double>& pressErrors);
};
