#pragma once

#include "chart/Song.h"

#include <string_view>

namespace chart {

// Reads an SSC file: the song's data and timing, then one #NOTEDATA block
// per chart (#STEPSTYPE, #DIFFICULTY, #CHARTNAME, #DESCRIPTION, #METER,
// #NOTES). A chart with any #BPMS, #STOPS, #DELAYS, #WARPS, #FAKES or #OFFSET
// of its own plays by its own timing alone, keeping the song's offset (and
// tempo) where it gives none. Files before version 0.70 write warps as
// "beat=end beat". Charts of other steps types are skipped.
class SscReader {
public:
    static ReadResult read(std::string_view text);
};

} // namespace chart
