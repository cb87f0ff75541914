#pragma once

#include "chart/MsdParser.h"
#include "chart/Song.h"
#include "chart/TempoMap.h"

#include <string>
#include <string_view>

namespace chart {

// The tags that SM and SSC files share: song data, timing and note data.
class SmTags {
public:
    // #TITLE, #SUBTITLE, #ARTIST, #MUSIC, #SAMPLESTART, #SAMPLELENGTH,
    // #DISPLAYBPM; false for any other tag.
    static bool takeSongData(const MsdTag& tag, Song& song);
    // #OFFSET, #BPMS, #STOPS (#FREEZES), #DELAYS, #WARPS; false for any other
    // tag. Sets `error` for a value that cannot be read.
    static bool takeTiming(const MsdTag& tag, TempoMap::Source& source, std::string& error);
    // A chart of the playable steps type from its note data; the tempo map is
    // the one it plays with.
    static void addChart(Song& song, Chart chart, std::string_view noteData);
};

} // namespace chart
