#include "library/DifficultyOrder.h"
#include "library/SongSelection.h"

#include <gtest/gtest.h>

namespace {

using library::ChartChoice;
using library::Difficulty;
using library::SongEntry;
using library::SongSelection;

SongEntry song(const char* folder, std::vector<Difficulty> difficulties)
{
    SongEntry entry;
    entry.folder = folder;
    for (const Difficulty difficulty : difficulties)
        entry.charts.push_back({difficulty, library::DifficultyOrder::name(difficulty), 1, entry.charts.size()});
    return entry;
}

TEST(SongSelection, SongsWrapChartsStopAtTheEndsAndANewSongKeepsTheNearestDifficulty)
{
    SongEntry own = song("Data", {Difficulty::Beginner});
    own.builtIn = true;
    SongSelection selection({own, song("Songs/A", {Difficulty::Easy, Difficulty::Hard, Difficulty::Challenge}),
                             song("Songs/B", {Difficulty::Beginner, Difficulty::Medium})});
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
}

} // namespace
