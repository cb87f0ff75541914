#pragma once

#include "chart/Song.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace chart {

// A song's folder: its chart file, its music and its banner. Files whose
// names start with "._" (left by copying from a Mac) are never taken.
class SongFolder {
public:
    // The chart file: an .ssc before an .sm before a .dwi; the first by name
    // where the folder has several of one kind (a line in `warnings` names the
    // one played and those left out). None, with a reason, otherwise.
    static std::optional<std::filesystem::path> findChartFile(const std::filesystem::path& folder,
        std::string& error, std::vector<std::string>& warnings);
    static std::optional<std::filesystem::path> findChartFile(const std::filesystem::path& folder,
        std::string& error);
    // The music file a chart names, relative to the song's folder; it may
    // climb with ".." but never out of `root` (the song root being scanned; by
    // default the folder holding the song's folder),
    // and never through a link that leads out of it (absolute names are
    // refused). A name that differs only in case is found, as files made on
    // Windows need. A named file that is missing, and no name at all, give the
    // folder's first .ogg, .mp3, .wav or .flac file not named "intro..." (the
    // former with a line in `warnings`).
    static std::optional<std::filesystem::path> resolveMusic(const std::filesystem::path& folder,
        const std::filesystem::path& root, const std::string& name, std::string& error,
        std::vector<std::string>& warnings);
    // The banner image: the one `name` gives (as music is found), else the
    // folder's first .png, .jpg, .jpeg or .bmp named "*-bn.*" or "*banner*".
    static std::optional<std::filesystem::path> findBanner(const std::filesystem::path& folder,
        const std::filesystem::path& root, const std::string& name);
    // The chart file read, with Song::musicPath resolved; or why not. Music
    // may lie anywhere in `root`, by default the folder holding the song's
    // folder (its pack, or the song root).
    static ReadResult load(const std::filesystem::path& folder, const std::filesystem::path& root = {});
    static bool isAppleDouble(const std::filesystem::path& file);
};

} // namespace chart
