#pragma once

#include "chart/Chart.h"
#include "chart/TempoMap.h"

#include <filesystem>
#include <string>
#include <vector>

namespace chart {

// A song as a chart file describes it. Text is UTF-8 (Latin-1 titles are
// converted); `music` is the name as written, `musicPath` the file it was
// resolved to in the song's folder (empty until SongFolder::load resolved it).
struct Song {
    std::string title;
    std::string subtitle;
    std::string artist;
    // Latin-letter spellings of the three (#TITLETRANSLIT and its kind);
    // empty where the file has none.
    std::string titleTranslit;
    std::string subtitleTranslit;
    std::string artistTranslit;
    std::string music;
    std::string banner; // the banner image as written; empty without one
    std::filesystem::path musicPath;
    double sampleStartSeconds = 0.0;
    double sampleLengthSeconds = 0.0;
    std::string displayBpm; // as written: "150", "75:150", "*"; empty without one
    TempoMap tempo;
    std::vector<Chart> charts; // the playable (dance-single) charts, in file order
    // One reason per chart that was refused ("dance-single Hard: ...").
    std::vector<std::string> refusedCharts;
    // Values that were left out or read differently from how they are written.
    std::vector<std::string> warnings;
};

// What a reader gives back: the song, or why the whole file was refused.
struct ReadResult {
    Song song;
    std::string error;

    bool ok() const { return error.empty(); }
};

} // namespace chart
