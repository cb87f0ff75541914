#include "BenchChart.h"
#include "Stats.h"
#include "game/StepFileManager.h"

#include <gtest/gtest.h>

#include <string>

TEST(BenchStats, EdgeCasesOfPercentilesSlopesAndCurvature)
{
    EXPECT_EQ(stats::percentile({}, 50), 0.0);
    for (const auto& [percent, value] : {std::pair{0.0, 1.0}, {50.0, 2.0}, {99.0, 4.0}, {250.0, 4.0}})
        EXPECT_EQ(stats::percentile({4, 1, 3, 2}, percent), value) << percent;
    EXPECT_EQ(stats::standardDeviation({5}), 0.0);
    EXPECT_DOUBLE_EQ(stats::slope({1, 2, 3}, {2, 4, 6}), 2.0);
    EXPECT_EQ(stats::slope({1, 1, 1}, {2, 4, 6}), 0.0);
    EXPECT_DOUBLE_EQ(stats::lastStepCurvature({0, 300, 3000, 30000}, {1, 1.3, 4, 31}), 1.0);
    EXPECT_DOUBLE_EQ(stats::lastStepCurvature({1, 4, 16}, {0, 3, 27}), 2.0);
    EXPECT_EQ(stats::lastStepCurvature({1, 4}, {0, 3}), 0.0);
    EXPECT_EQ(stats::lastStepCurvature({1, 4, 4}, {0, 3, 9}), 0.0);   // no rise in x
    EXPECT_EQ(stats::lastStepCurvature({1, 4, 16}, {3, 3, 9}), 0.0);  // flat lower step
}

namespace {

// Arrows the game spawns for each note, as its own decoder reads them.
std::size_t arrowsIn(const std::string& notes)
{
    std::size_t count = 0;
    for (const char note : notes)
        count += StepFileManager::decodeNote(note).count;
    return count;
}

} // namespace

TEST(BenchChart, DensityCountsArrowsPerFourBeatsEvenlySpread)
{
    EXPECT_EQ(BenchChart::notes(16, 1), "4000000080000000");
    EXPECT_EQ(BenchChart::notes(8, 4), "40806020");
    for (const int density : {0, 1, 2, 4, 8, 16}) {
        const std::string notes = BenchChart::notes(80, density);
        ASSERT_EQ(notes.size(), 80u);
        EXPECT_EQ(arrowsIn(notes), static_cast<std::size_t>(density) * 10) << density;
    }
    EXPECT_EQ(arrowsIn(BenchChart::notes(8, 99)), 16u); // held at two arrows per step
    EXPECT_EQ(BenchChart::notes(3, 16).size(), 3u);     // a chart shorter than a bar

    StepFileManager chart;
    chart.parseText(BenchChart::dwi(BenchChart::notes(100, 16), 128.0f, -250));
    EXPECT_EQ(chart.getNotes(), BenchChart::notes(100, 16)); // survives the line wrapping
    EXPECT_FLOAT_EQ(chart.getBpm(), 128.0f);
    EXPECT_EQ(chart.getGap(), -250);
}
