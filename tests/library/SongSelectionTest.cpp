#include "library/DifficultyOrder.h"
#include "library/SongSelection.h"

#include <gtest/gtest.h>

// The song panel's list over a library of packs: the packs and their songs,
// every order, the search, and each player's choice of difficulty.

namespace {

using library::Difficulty;
using library::SongOrder;
using library::SongSelection;

library::SongEntry song(const std::string& folder, const std::string& title, const std::string& artist, double bpm,
                        std::vector<std::pair<Difficulty, int>> charts, const std::string& pack)
{
    library::SongEntry entry;
    entry.folder = folder;
    entry.title = title;
    entry.artist = artist;
    entry.maxBpm = bpm;
    entry.pack = pack;
    for (const auto& [difficulty, meter] : charts)
        entry.charts.push_back({difficulty, library::DifficultyOrder::name(difficulty), meter, entry.charts.size()});
    return entry;
}

std::vector<library::SongEntry> packsLibrary()
{
    library::SongEntry own = song("Data/Dwi", "Coconut", "Flarevox", 128, {{Difficulty::Beginner, 1}}, "");
    own.builtIn = true;
    return {own,
            song("Songs/Beta/Zulu", "Zulu", "Ann", 180, {{Difficulty::Easy, 3}, {Difficulty::Hard, 9}}, "Beta"),
            song("Songs/alpha/Mike", "Mike", "Cid", 90, {{Difficulty::Beginner, 2}, {Difficulty::Medium, 5}}, "alpha"),
            song("Songs/alpha/Echo", "echo", "Bob", 140, {{Difficulty::Hard, 8}}, "alpha"),
            song("Songs/Loose", "Loose", "Dee", 120, {{Difficulty::Beginner, 1}, {Difficulty::Challenge, 12}}, "")};
}

// The rows' titles, packs as "[name]".
std::vector<std::string> shown(const SongSelection& selection)
{
    std::vector<std::string> rows;
    for (std::size_t at = 0; at < selection.size(); ++at) {
        const SongSelection::Row& row = selection.row(at);
        rows.push_back(row.isPack ? "[" + selection.packAt(row.index).name + "]" : selection.songAt(row.index).title);
    }
    return rows;
}

using Rows = std::vector<std::string>;

} // namespace

TEST(SongSelectionPacks, PacksOpenAndCloseAndASongsAddedLaterKeepTheChoice)
{
    SongSelection selection(packsLibrary());
    EXPECT_EQ(shown(selection), (Rows{"Coconut", "[alpha]", "[Beta]", "[Songs]"}));
    selection.stepSong(1);
    EXPECT_EQ(selection.currentSong(), nullptr);
    EXPECT_EQ(selection.chart(1), nullptr);
    EXPECT_FALSE(selection.closePack());
    ASSERT_TRUE(selection.openChosenPack());
    EXPECT_EQ(shown(selection), (Rows{"echo", "Mike"}));
    EXPECT_EQ(selection.openPack()->name, "alpha");
    selection.stepSong(1);
    EXPECT_EQ(selection.song().title, "Mike");
    EXPECT_FALSE(selection.openChosenPack());

    // Songs found later join their packs; the chosen song stays chosen.
    selection.add({song("Songs/alpha/Kilo", "Kilo", "Eve", 100, {{Difficulty::Easy, 4}}, "alpha"),
                   song("Songs/Gamma/Yank", "Yank", "Fay", 100, {{Difficulty::Easy, 4}}, "Gamma"),
                   song("Songs/alpha/Mike", "Mike again", "Cid", 90, {{Difficulty::Easy, 4}}, "alpha")});
    EXPECT_EQ(shown(selection), (Rows{"echo", "Kilo", "Mike"})) << "a folder already listed is not listed twice";
    EXPECT_EQ(selection.song().title, "Mike");
    ASSERT_TRUE(selection.closePack());
    EXPECT_EQ(shown(selection), (Rows{"Coconut", "[alpha]", "[Beta]", "[Gamma]", "[Songs]"}));
    EXPECT_EQ(selection.currentPack()->name, "alpha");

    // Choosing a song by its folder opens its pack.
    ASSERT_TRUE(selection.chooseFolder("Songs/Gamma/Yank"));
    EXPECT_EQ(selection.openPack()->name, "Gamma");
    EXPECT_FALSE(selection.chooseFolder("Songs/Nowhere"));

    // A library of one group has no pack level.
    const std::vector<library::SongEntry> all = packsLibrary();
    SongSelection single({all[0], all[2], all[3]});
    EXPECT_EQ(shown(single), (Rows{"Coconut", "echo", "Mike"}));
}

TEST(SongSelectionOrders, EveryOrderListsEverySongTheGamesOwnFirst)
{
    SongSelection selection(packsLibrary());
    const std::vector<std::pair<SongOrder::Order, Rows>> expected{
        {SongOrder::ByTitle, {"Coconut", "echo", "Loose", "Mike", "Zulu"}},
        {SongOrder::ByArtist, {"Coconut", "Zulu", "echo", "Mike", "Loose"}},
        {SongOrder::ByBpm, {"Coconut", "Mike", "Loose", "echo", "Zulu"}},
        {SongOrder::ByMeter, {"Coconut", "Loose", "Mike", "Zulu", "echo"}},
        {SongOrder::ByPack, {"Coconut", "[alpha]", "[Beta]", "[Songs]"}},
    };
    SongOrder::Order order = SongOrder::ByPack;
    for (const auto& [next, rows] : expected) {
        order = SongOrder::next(order);
        ASSERT_EQ(order, next);
        selection.setOrder(order);
        EXPECT_EQ(shown(selection), rows) << SongOrder::name(order);
    }

    // By meter follows player 1's chosen difficulty: Hard, where songs have it.
    selection.setOrder(SongOrder::ByTitle);
    ASSERT_TRUE(selection.chooseFolder("Songs/Beta/Zulu"));
    selection.stepChart(1, 1);
    selection.setOrder(SongOrder::ByMeter);
    EXPECT_EQ(shown(selection), (Rows{"Coconut", "Mike", "echo", "Zulu", "Loose"}));
    EXPECT_EQ(selection.song().title, "Zulu") << "a new order keeps the chosen song";
}

TEST(SongSelectionSearch, TypingNarrowsAndBackspaceWidensInTheListsOrder)
{
    SongSelection selection(packsLibrary());
    selection.setQuery("O");
    EXPECT_EQ(shown(selection), (Rows{"Coconut", "echo", "Loose"})) << "title, artist or pack, case ignored";
    selection.setQuery("oo");
    EXPECT_EQ(shown(selection), (Rows{"Loose"}));
    selection.setQuery("oox");
    EXPECT_TRUE(selection.empty());
    EXPECT_EQ(selection.currentSong(), nullptr);
    selection.setQuery("alph");
    EXPECT_EQ(shown(selection), (Rows{"echo", "Mike"})) << "a pack's name finds its songs";
    EXPECT_EQ(selection.reachableCount(), 2u);
    selection.chooseAmongReachable(1);
    EXPECT_EQ(selection.song().title, "Mike");
    selection.setQuery("e\nz");
    EXPECT_TRUE(selection.empty()) << "no match runs from one field into the next";
    selection.setQuery("");
    EXPECT_EQ(shown(selection), (Rows{"Coconut", "[alpha]", "[Beta]", "[Songs]"}));
    // A pick past the reachable songs changes nothing, an open pack included.
    ASSERT_TRUE(selection.chooseFolder("Songs/alpha/Mike"));
    const Rows before = shown(selection);
    selection.chooseAmongReachable(selection.reachableCount());
    EXPECT_EQ(shown(selection), before);
    EXPECT_EQ(selection.song().title, "Mike");
}

TEST(SongSelection, SongsWrapChartsStopAtTheEndsAndANewSongKeepsTheNearestDifficulty)
{
    library::SongEntry own = song("Data", "", "", 0, {{Difficulty::Beginner, 1}}, "");
    own.builtIn = true;
    SongSelection selection({own,
        song("Songs/A", "", "", 0, {{Difficulty::Easy, 1}, {Difficulty::Hard, 1}, {Difficulty::Challenge, 1}}, ""),
        song("Songs/B", "", "", 0, {{Difficulty::Beginner, 1}, {Difficulty::Medium, 1}}, "")});
    EXPECT_TRUE(selection.song().builtIn);
    selection.stepSong(-1);
    EXPECT_EQ(selection.song().folder, "Songs/B");
    selection.stepSong(2);
    EXPECT_EQ(selection.song().folder, "Songs/A");

    // Each player's own chart, held within the song's charts.
    selection.stepChart(1, 5);
    selection.stepChart(2, -5);
    EXPECT_EQ(selection.chart(1)->difficulty, Difficulty::Challenge);
    EXPECT_EQ(selection.chart(2)->difficulty, Difficulty::Easy);
    EXPECT_EQ(selection.chart(3), nullptr);

    // Song B has no Challenge: player 1 takes the nearest, Medium; Easy is
    // as near to Beginner as to Medium, and the easier wins.
    selection.stepSong(1);
    EXPECT_EQ(selection.chart(1)->difficulty, Difficulty::Medium);
    EXPECT_EQ(selection.chart(2)->difficulty, Difficulty::Beginner);

    EXPECT_TRUE(selection.choose("Songs/A", {"hard", "nothing"}));
    EXPECT_EQ(selection.chart(1)->difficulty, Difficulty::Hard);
    EXPECT_EQ(selection.chart(2)->difficulty, Difficulty::Easy);
    EXPECT_FALSE(selection.choose("Songs/C", {"", ""}));
    EXPECT_EQ(selection.song().folder, "Songs/A");
    EXPECT_TRUE(selection.choose("Songs/A", std::array<std::size_t, 2>{2, 9}));
    EXPECT_EQ(selection.chart(1)->difficulty, Difficulty::Challenge);
    EXPECT_EQ(selection.chart(2)->difficulty, Difficulty::Easy) << "an index the song lacks gives its first chart";
}
