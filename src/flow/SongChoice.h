#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

// A player's song to play instead of the game's own: the song's folder and
// each player's difficulty (matched without regard to case; empty: the
// song's first chart).
struct SongChoice {
    std::filesystem::path folder;
    std::array<std::string, 2> difficulty;
    // The song panel's choice names each chart by its place in the chart
    // file too: a song may have two charts of one difficulty (Edit charts).
    std::array<std::optional<std::size_t>, 2> chartIndex = {};

    bool operator==(const SongChoice&) const = default;
};
