#pragma once

#include "chart/Song.h"

#include <string_view>

namespace chart {

// Reads an SM file: the song's data and timing, and its dance-single charts
// (#NOTES:type:description:difficulty:meter:radar:notes). Charts of other
// steps types are skipped.
class SmReader {
public:
    static ReadResult read(std::string_view text);
};

} // namespace chart
