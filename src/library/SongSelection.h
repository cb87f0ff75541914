#pragma once

#include "library/SongEntry.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace library {

// The song panel's choice: one song of the library for both players, and a
// chart of it for each. Up and Down step through the songs, wrapping round;
// Left and Right step through a player's charts, stopping at the ends. A
// new song keeps each player's difficulty where it has one, or takes the
// nearest it has.
class SongSelection {
public:
    SongSelection() = default;
    explicit SongSelection(std::vector<SongEntry> songs);

    bool empty() const { return songs.empty(); }
    std::size_t size() const { return songs.size(); }
    std::size_t index() const { return current; }
    const SongEntry& song() const { return songs[current]; }
    const std::vector<SongEntry>& getSongs() const { return songs; }
    // Player 1 or 2's chart of the song (none for a song without charts).
    const ChartChoice* chart(int player) const;

    void stepSong(int delta);
    void stepChart(int player, int delta);
    // Chooses the song of this folder and the charts of these names (case
    // ignored); false, changing nothing, when no song has that folder.
    bool choose(const std::filesystem::path& folder, const std::array<std::string, 2>& chartNames);
    // The same by each player's chart index in the song's chart file
    // (ChartChoice::chartIndex), so that charts of one name are told apart;
    // an index the song does not have gives its first chart.
    bool choose(const std::filesystem::path& folder, const std::array<std::size_t, 2>& chartIndexes);

    static bool sameFolder(const std::filesystem::path& a, const std::filesystem::path& b);

private:
    bool chooseSong(const std::filesystem::path& folder);
    void chooseChart(std::size_t player, const std::function<bool(const ChartChoice&)>& wanted);
    void keepDifficulties(const std::array<Difficulty, 2>& wanted);

    std::vector<SongEntry> songs;
    std::size_t current = 0;
    std::array<std::size_t, 2> chartIndex{};
};

} // namespace library
