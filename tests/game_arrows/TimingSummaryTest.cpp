#include "game/TimingSummary.h"

#include <gtest/gtest.h>

namespace {

// Offset and drift are told apart: a constant offset has no drift, a drift
// of 1 ms per minute around an offset shows as both, and a single stray
// press shows in the farthest distance, not in the spread around the line.
TEST(TimingSummaryTest, TellsOffsetFromDrift)
{
    std::vector<double> notes;
    std::vector<double> offset, drifting, stray;
    for (int i = 0; i <= 100; ++i) {
        const double noteMs = 10000.0 + i * 1200.0;
        notes.push_back(noteMs);
        offset.push_back(i % 2 ? -9.0 : -11.0);
        drifting.push_back(5.0 + (noteMs - 70000.0) / 60000.0);
        stray.push_back(i == 50 ? 20.0 : 0.0);
    }
    const auto constant = TimingSummary::of(notes, offset);
    ASSERT_TRUE(constant);
    EXPECT_EQ(constant->presses, 101u);
    EXPECT_NEAR(constant->meanMs, -10.0, 0.02);
    EXPECT_NEAR(constant->driftMsPerMinute, 0.0, 0.01);
    EXPECT_DOUBLE_EQ(constant->medianMs, 11.0);
    EXPECT_NEAR(constant->spreadP99Ms, 1.0, 0.02);

    const auto sloped = TimingSummary::of(notes, drifting);
    ASSERT_TRUE(sloped);
    EXPECT_NEAR(sloped->meanMs, 5.0, 1e-9);
    EXPECT_NEAR(sloped->driftMsPerMinute, 1.0, 1e-9);
    EXPECT_NEAR(sloped->spreadP99Ms, 0.0, 1e-9);
    EXPECT_NEAR(sloped->farthestFromMeanMs, 1.0, 1e-9);

    const auto once = TimingSummary::of(notes, stray);
    ASSERT_TRUE(once);
    EXPECT_NEAR(once->farthestFromMeanMs, 20.0 - 20.0 / 101.0, 1e-9);
    EXPECT_LT(once->spreadP99Ms, 0.5);
}

TEST(TimingSummaryTest, NoFiguresWithoutPressesOrForUnmatchedLists)
{
    EXPECT_FALSE(TimingSummary::of({}, {}));
    EXPECT_FALSE(TimingSummary::of({1000.0}, {1.0, 2.0}));
    const auto single = TimingSummary::of({1000.0}, {-3.0});
    ASSERT_TRUE(single);
    EXPECT_DOUBLE_EQ(single->driftMsPerMinute, 0.0);
    EXPECT_DOUBLE_EQ(single->p99Ms, 3.0);
}

} // namespace
