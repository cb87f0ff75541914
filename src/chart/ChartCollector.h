#pragma once

#include "chart/Song.h"

#include <string>
#include <string_view>

namespace chart {

// Takes the charts a reader finds into a song: only dance-single charts are
// played, a broken one is refused with its reason, notes that a warp jumps
// over are left out, those in a fake segment become fakes.
class ChartCollector {
public:
    static bool isPlayed(std::string_view stepsType);
    // Adds `chart`, or its refusal when `error` is not empty.
    static void add(Song& song, Chart chart, const std::string& error);
};

} // namespace chart
