#pragma once

#include <array>
#include <filesystem>
#include <string>

// A player's song to play instead of the game's own: the song's folder and
// each player's difficulty (matched without regard to case; empty: the
// song's first chart).
struct SongChoice {
    std::filesystem::path folder;
    std::array<std::string, 2> difficulty;

    bool operator==(const SongChoice&) const = default;
};
