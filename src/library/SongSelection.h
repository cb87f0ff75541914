#pragma once

#include "library/SongEntry.h"
#include "library/SongOrder.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace library {

// The song panel's choice: one song of the library for both players, and a
// chart of it for each, over a library that may hold tens of thousands of
// songs and grow while it is read.
// - The list is in one of SongOrder's orders. By pack, with songs of more
//   than one group, it shows the game's own song and the packs (songs
//   directly under a root form a group named after it); opening a pack
//   shows its songs. Any other order, and a library of one group, lists the
//   songs themselves, the game's own first.
// - A search narrows the list to the songs whose title, subtitle, artist,
//   pack or transliteration holds the text (case ignored), in the list's order.
// - Up and Down step through the rows, wrapping round; Left and Right step
//   through a player's charts, stopping at the ends. Each player's chosen
//   difficulty stays as chosen: a song that lacks it shows the nearest.
class SongSelection {
public:
    struct Pack {
        std::string name;
        std::vector<std::size_t> songs; // in the pack order
    };
    struct Row {
        bool isPack = false;
        std::size_t index = 0; // into the songs, or the packs
    };

    SongSelection() = default;
    explicit SongSelection(std::vector<SongEntry> songs);

    // Songs found since; the chosen row stays on the same song or pack. A
    // folder already listed is not listed again.
    void add(std::vector<SongEntry> found);
    // The library read again: the same song or pack stays chosen where it
    // still is; the order, the search and the players' choices stay.
    void replaceLibrary(std::vector<SongEntry> found);

    bool empty() const { return rows.empty(); }
    // The rows the list shows now, and the chosen one.
    std::size_t size() const { return rows.size(); }
    std::size_t index() const { return current; }
    const Row& row(std::size_t at) const { return rows[at]; }
    // The chosen song; null while a pack is chosen or the list is empty.
    const SongEntry* currentSong() const;
    // The chosen song, which must be one.
    const SongEntry& song() const { return *currentSong(); }
    const SongEntry& songAt(std::size_t index) const { return songs[index]; }
    const Pack* currentPack() const;
    const Pack& packAt(std::size_t index) const { return packs[index]; }
    // The open pack; null outside one.
    const Pack* openPack() const { return opened ? &packs[*opened] : nullptr; }
    const std::vector<SongEntry>& getSongs() const { return songs; }
    std::size_t songCount() const { return songs.size(); }
    // Player 1 or 2's chart of the chosen song (none for a pack, a song
    // without charts or another player).
    const ChartChoice* chart(int player) const;
    // The chart a player's choice gives on a song.
    const ChartChoice* chartOf(const SongEntry& song, int player) const;

    void stepSong(int delta);
    void stepChart(int player, int delta);
    // A pack chosen: its songs shown, the first chosen. False on a song.
    bool openChosenPack();
    // Back to the packs from an open pack, that pack chosen. False outside one.
    bool closePack();

    SongOrder::Order order() const { return listOrder; }
    void setOrder(SongOrder::Order order);
    const std::string& query() const { return search; }
    // Narrows the list to the songs the text is found in (empty: all).
    void setQuery(const std::string& text);
    // The song of this index among those the list can reach (the search's
    // matches, or all), its pack opened.
    void chooseAmongReachable(std::size_t pick);
    std::size_t reachableCount() const;

    // Chooses the song of this folder and the charts of these names (case
    // ignored); false, changing nothing, when no song has that folder.
    bool choose(const std::filesystem::path& folder, const std::array<std::string, 2>& chartNames);
    // The same by each player's chart index in the song's chart file
    // (ChartChoice::chartIndex), so that charts of one name are told apart;
    // an index the song does not have gives its first chart.
    bool choose(const std::filesystem::path& folder, const std::array<std::size_t, 2>& chartIndexes);

    // The song of this folder, its pack opened; false when none has it.
    bool chooseFolder(const std::filesystem::path& folder);

    static bool sameFolder(const std::filesystem::path& a, const std::filesystem::path& b);

private:
    // The game's own song and the songs of the packs, by folder.
    std::optional<std::size_t> find(const std::filesystem::path& folder) const;
    bool chooseSong(std::size_t song);
    void rebuild();
    void rebuildPacks();
    void listRows();
    void keepChoice(const std::optional<Row>& before);
    bool showsPacks() const;
    std::string_view haystackOf(std::size_t song) const;
    // Which songs the search text is found in.
    std::vector<bool> matches() const;
    void takeChart(std::size_t player, std::size_t chartIndex);

    std::vector<SongEntry> songs;
    std::unordered_set<std::string> folders; // absolute, so that one folder written two ways is listed once
    std::vector<SongOrder::Key> keys;
    // What a search looks in: every song's texts lowered, one after another
    // in one buffer, so that a search over every song is one pass.
    std::string haystacks;
    std::vector<std::size_t> haystackStart; // song i's text is from [i] to [i + 1]
    std::vector<Pack> packs;
    std::vector<std::size_t> sorted; // every song but the game's own, in the list's order
    std::optional<std::size_t> ownSong;
    std::vector<Row> rows;
    std::size_t current = 0;
    std::optional<std::size_t> opened;
    SongOrder::Order listOrder = SongOrder::ByPack;
    std::string search;
    // Each player's choice: a difficulty and the chart's name.
    std::array<Difficulty, 2> wanted{Difficulty::Beginner, Difficulty::Beginner};
    std::array<std::string, 2> wantedName;
    bool choiceMade = false;
};

} // namespace library
