#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/FairPoints.h"

#include <gtest/gtest.h>

namespace {

// `taps` taps, then `holds` holds and `mines` mines, one per beat.
chart::Chart chartOf(int taps, int holds, int mines)
{
    chart::Chart chart;
    std::int64_t beat = 0;
    for (int index = 0; index < taps; ++index, ++beat)
        chart.notes.push_back({beat, beat, LaneLeft, chart::NoteKind::Tap});
    for (int index = 0; index < holds; ++index, beat += 2)
        chart.notes.push_back({beat, beat + 1, LaneUp, index % 2 ? chart::NoteKind::Roll : chart::NoteKind::Hold});
    for (int index = 0; index < mines; ++index, ++beat)
        chart.notes.push_back({beat, beat, LaneDown, chart::NoteKind::Mine});
    return chart;
}

// A run as the game counts it: each judged note with the points of its
// judgement, each hold kept, each mine hit taken off (never below 0).
std::uint32_t run(const chart::Chart& chart, std::size_t judgement, int minesHit = 0)
{
    std::uint32_t points = 0;
    for (const chart::Note& note : chart.notes) {
        if (note.kind != chart::NoteKind::Mine)
            points += Judgements::table[judgement].points;
        if (note.isHead())
            points += ChartPlayer::holdPoints;
    }
    for (int mine = 0; mine < minesHit; ++mine)
        points -= std::min(ChartPlayer::minePenalty, points);
    return points;
}

} // namespace

TEST(FairPoints, FlawlessRunsOnChartsOfDifferentSizesTie)
{
    const chart::Chart small = chartOf(100, 0, 0);
    const chart::Chart large = chartOf(330, 70, 25); // 400 notes, holds and rolls, and mines
    ASSERT_EQ(FairPoints::flawlessMaximum(small), 80000u);
    ASSERT_EQ(FairPoints::flawlessMaximum(large), 400u * 800 + 70 * 400);
    ASSERT_EQ(run(small, 0), FairPoints::flawlessMaximum(small)) << "the maximum is what the game awards";
    ASSERT_EQ(run(large, 0), FairPoints::flawlessMaximum(large));

    for (const bool largeFirst : {false, true}) {
        const FairPoints fair = largeFirst
            ? FairPoints(FairPoints::flawlessMaximum(large), FairPoints::flawlessMaximum(small))
            : FairPoints(FairPoints::flawlessMaximum(small), FairPoints::flawlessMaximum(large));
        const int smallPlayer = largeFirst ? 2 : 1;
        const int largePlayer = 3 - smallPlayer;
        EXPECT_TRUE(fair.scales());
        EXPECT_EQ(fair.scaled(smallPlayer, run(small, 0)), 80000u);
        EXPECT_EQ(fair.scaled(largePlayer, run(large, 0)), 80000u);
        // One hold let go, a mine hit, all "Perfect": less than flawless.
        EXPECT_LT(fair.scaled(largePlayer, run(large, 0) - 400), 80000u);
        EXPECT_LT(fair.scaled(largePlayer, run(large, 0, 1)), 80000u);
        EXPECT_LT(fair.scaled(largePlayer, run(large, 1)), fair.scaled(smallPlayer, run(small, 0)));
        // Rounded down, never above the player's own points, and never lower
        // for more points (the missile thresholds come in order).
        std::uint32_t previous = 0;
        for (const std::uint32_t points : {0u, 1u, 4u, 5u, 799u, 800u, 1200u, 5000u, 340000u}) {
            const std::uint32_t scaled = fair.scaled(largePlayer, points);
            EXPECT_EQ(scaled, static_cast<std::uint32_t>(std::uint64_t{points} * 80000 / 348000)) << points;
            EXPECT_GE(scaled, previous);
            previous = scaled;
        }
    }
}

TEST(FairPoints, TheSameChartOrAChartWithoutNotesGivesTheGamesOwnPoints)
{
    const chart::Chart chart = chartOf(100, 30, 5);
    const std::uint64_t maximum = FairPoints::flawlessMaximum(chart);
    const FairPoints cases[] = {FairPoints(), FairPoints(maximum, maximum), FairPoints(0, maximum),
                                FairPoints(maximum, 0)};
    for (const FairPoints& fair : cases) {
        EXPECT_FALSE(fair.scales());
        for (int player : {1, 2}) {
            for (const std::uint32_t points : {0u, 50u, 12345u, run(chart, 2, 3), run(chart, 0), 4294967295u})
                EXPECT_EQ(fair.scaled(player, points), points);
        }
    }
    EXPECT_EQ(FairPoints::flawlessMaximum(chartOf(0, 0, 8)), 0u) << "mines earn nothing";
}
