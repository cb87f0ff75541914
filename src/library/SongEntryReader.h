#pragma once

#include "library/SongEntry.h"

#include <filesystem>
#include <optional>
#include <string>

namespace library {

// Reads what the song list needs from a song's chart file and its music's
// header. A song that cannot be played gives no entry and the reason.
class SongEntryReader {
public:
    // The song in `folder`: the chart file SongFolder prefers, its music and
    // banner resolved inside `root` (by default the folder holding `folder`).
    static std::optional<SongEntry> read(const std::filesystem::path& folder, std::string& reason,
        const std::filesystem::path& root = {});
    // A chart file whose music is named from elsewhere: the game's own song.
    static std::optional<SongEntry> readBuiltIn(const std::filesystem::path& chartFile,
        const std::filesystem::path& musicFile, std::string& reason);
};

} // namespace library
