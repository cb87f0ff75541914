#pragma once

#include "library/ChartChoice.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace library {

// One playable song of the library: what the song list shows and where its
// files are. Nothing of the music is decoded; the chart file is read again
// when the song is played.
struct SongEntry {
    static constexpr double defaultPreviewSeconds = 12.0;

    std::filesystem::path folder;
    std::filesystem::path chartFile;
    std::filesystem::path musicFile;
    std::filesystem::path bannerFile; // empty for a song without a banner
    std::string pack;   // the folder between the song root and the song's folder; empty for none
    std::string title;  // the folder's name when the file has none
    std::string subtitle;
    std::string artist;
    // As the chart file spells them in Latin letters; empty where it does not.
    std::string titleTranslit;
    std::string subtitleTranslit;
    std::string artistTranslit;
    double minBpm = 0.0;
    double maxBpm = 0.0;
    std::string bpmText; // "128", "75-150", or the file's display BPM ("?" for a hidden one)
    double lengthSeconds = 0.0;
    double sampleStartSeconds = 0.0;  // as the chart file gives them; 0 when it has none
    double sampleLengthSeconds = 0.0;
    std::vector<ChartChoice> charts;  // Beginner first, Edit last; file order within a difficulty
    bool builtIn = false;             // the game's own song, played by its own step file reader
    std::vector<std::string> warnings; // what was read differently from how it is written, for the log

    // The part of the song its preview loops: the file's sample, or from the
    // middle of the song when the file has none.
    double previewStartSeconds() const
    {
        return sampleLengthSeconds > 0.0 ? sampleStartSeconds : lengthSeconds / 2.0;
    }
    double previewLengthSeconds() const
    {
        return sampleLengthSeconds > 0.0 ? sampleLengthSeconds
                                         : std::max(0.0, std::min(defaultPreviewSeconds, lengthSeconds / 2.0));
    }
};

} // namespace library
