#pragma once

#include "library/SongEntry.h"

#include <filesystem>
#include <string>
#include <vector>

namespace library {

// What a scan found: the playable songs, and one line for each folder that
// was left out, for the caller to log.
struct LibraryScan {
    std::vector<SongEntry> songs; // by pack, then title, ignoring case
    std::vector<std::string> skipped;
    std::vector<std::string> warnings; // one line for each value a listed song's files have that was read around
};

// The songs below the song roots: every <root>/<song>/ and <root>/<pack>/<song>/
// folder that holds a chart file. Where two roots hold a song folder of the
// same name (the same <song> or <pack>/<song>), the earlier root's is kept.
// The game's own song is not scanned; the caller puts its entry first.
class SongLibrary {
public:
    static constexpr const char* songDirsVariable = "FLAREVOX_SONG_DIRS";

    // "Songs" of the working directory, then each folder of the colon-separated
    // list `songDirs` (null or empty for none).
    static std::vector<std::filesystem::path> roots(const char* songDirs);
    // Roots that do not exist are passed over quietly.
    static LibraryScan scan(const std::vector<std::filesystem::path>& roots);
    // The roots of the working directory and of FLAREVOX_SONG_DIRS, scanned.
    static LibraryScan scanDefault();
};

} // namespace library
