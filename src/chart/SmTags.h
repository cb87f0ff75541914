#pragma once

#include "chart/MsdParser.h"
#include "chart/Song.h"
#include "chart/TempoMap.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace chart {

// The tags that SM and SSC files share: song data, timing and note data.
class SmTags {
public:
    // #TITLE, #SUBTITLE, #ARTIST, their #...TRANSLIT, #MUSIC, #BANNER, #SAMPLESTART, #SAMPLELENGTH,
    // #DISPLAYBPM; false for any other tag.
    static bool takeSongData(const MsdTag& tag, Song& song);
    // #OFFSET, #BPMS, #STOPS (#FREEZES), #DELAYS, #WARPS, #FAKES; false for any
    // other tag. A value that cannot be read is left out with a warning.
    static bool takeTiming(const MsdTag& tag, TempoMap::Source& source, std::vector<std::string>& warnings);
    // "beat=value" pairs; the items that cannot be read are left out with one warning.
    static void readPairs(const MsdTag& tag, std::vector<std::pair<double, double>>& pairs,
        std::vector<std::string>& warnings);
    // A chart of the playable steps type from its note data; the tempo map is
    // the one it plays with.
    static void addChart(Song& song, Chart chart, std::string_view noteData);
};

} // namespace chart
