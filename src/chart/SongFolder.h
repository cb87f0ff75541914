#pragma once

#include "chart/Song.h"

#include <filesystem>
#include <optional>
#include <string>

namespace chart {

// A song's folder: its chart file and its music.
class SongFolder {
public:
    // The chart file: an .ssc before an .sm before a .dwi; the first by name
    // where the folder has several of one kind. None, with a reason, otherwise.
    static std::optional<std::filesystem::path> findChartFile(const std::filesystem::path& folder,
        std::string& error);
    // The music file a chart names, inside the folder and never outside it
    // (absolute names, ".." and links that lead out are refused). A name that
    // differs only in case is found, as files made on Windows need; without a
    // name, the folder's first .ogg, .mp3, .wav or .flac file.
    static std::optional<std::filesystem::path> resolveMusic(const std::filesystem::path& folder,
        const std::string& name, std::string& error);
    // The chart file read, with Song::musicPath resolved; or why not.
    static ReadResult load(const std::filesystem::path& folder);
};

} // namespace chart
