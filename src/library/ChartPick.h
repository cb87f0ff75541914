#pragma once

#include "library/ChartChoice.h"

#include <cstddef>
#include <string>
#include <vector>

namespace library {

// Which of a song's charts a player's chosen difficulty gives. The choice
// stays as the player made it; a song that lacks it shows the nearest.
class ChartPick {
public:
    // The chart of the difficulty nearest `wanted` (the easier on a tie); null
    // for a song without charts.
    static const ChartChoice* nearest(const std::vector<ChartChoice>& charts, Difficulty wanted);
    // The chart of that difficulty and name (case ignored), else the first of
    // that difficulty, else the nearest; 0 for a song without charts.
    static std::size_t pick(const std::vector<ChartChoice>& charts, Difficulty wanted, const std::string& name);
    static bool sameName(const std::string& a, const std::string& b);
};

} // namespace library
