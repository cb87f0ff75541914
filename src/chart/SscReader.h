#pragma once

#include "chart/Song.h"

#include <string_view>

namespace chart {

// Reads an SSC file: the song's data and timing, then one #NOTEDATA block
// per chart (#STEPSTYPE, #DIFFICULTY, #METER, #NOTES). A chart's own #BPMS,
// #STOPS, #DELAYS, #WARPS or #OFFSET replace the song's for that chart; what
// it does not give it takes from the song. Charts of other steps types are skipped.
class SscReader {
public:
    static ReadResult read(std::string_view text);
};

} // namespace chart
