#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

namespace chart {
struct Song;
}

class ArrowManager;
struct SongChoice;

// Reads a song of the library for play, for a round at one screen and for a
// network battle alike.
class SongLoader {
public:
    struct Loaded {
        // Null when the song cannot be played.
        std::unique_ptr<chart::Song> song;
        // Why not: the reader's error, no chart, or music that cannot be opened.
        std::string problem;
    };

    static Loaded load(const std::filesystem::path& folder);
    // The chart of this difficulty name (case aside), or the song's first;
    // `found` tells which.
    static std::size_t chartNamed(const chart::Song& song, const std::string& difficulty, bool& found);
    // Loads the chosen song and each player's chart into the arrow manager.
    // A song that cannot be played is refused with one line naming it and
    // why (false); the arrow manager keeps what it had.
    static bool play(ArrowManager& arrows, const SongChoice& choice);
};
