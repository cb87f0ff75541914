#pragma once

#include "library/SongEntry.h"

#include <filesystem>
#include <functional>
#include <optional>
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

// A folder the walk found that may hold a song: <root>/<song> or
// <root>/<pack>/<song>.
struct SongCandidate {
    std::filesystem::path folder;
    std::filesystem::path root; // music and banners are looked for within it
    std::string pack;           // empty for a song directly under its root
    bool known = false;         // the walk found the folder unchanged since it was read
};

struct LibraryWalk {
    std::vector<SongCandidate> folders;
    std::vector<std::string> skipped; // a line for each folder left out, and why
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
    // Whether a folder is known to hold a song still (its folder unchanged
    // since it was read), so that the walk need not list it.
    using KnownSong = std::function<bool(const std::filesystem::path& folder)>;

    // The song folders below the roots, without reading them. Roots that do
    // not exist are passed over quietly.
    static LibraryWalk walk(const std::vector<std::filesystem::path>& roots, const KnownSong& known = {});
    // Every song below the roots, read whole (no cache).
    static LibraryScan scan(const std::vector<std::filesystem::path>& roots);
    // One song folder's entry, its pack set; none, with the line, for a
    // folder that cannot be played.
    static std::optional<SongEntry> read(const SongCandidate& candidate, std::string& skipLine,
                                         std::vector<std::string>& warnings);
    // The panel's order of packs: pack, then title, ignoring case.
    static bool listedBefore(const SongEntry& a, const SongEntry& b);
    // The roots of the working directory and of FLAREVOX_SONG_DIRS, scanned.
    static LibraryScan scanDefault();
};

} // namespace library
