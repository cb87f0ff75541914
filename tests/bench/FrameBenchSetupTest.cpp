#include "BenchChart.h"
#include "ScratchRunFolder.h"
#include "Stats.h"
#include "game/StepFileManager.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(ScratchRunFolder, SetsTheParticleCountOnlyInItsSection)
{
    const std::string other = "[Window]\nMaxParticels = 7\nWidth = 1024\n";
    EXPECT_EQ(ScratchRunFolder::withMaxParticles(other + "[SpecialFX]\nMaxParticels = 60\n", 300),
        other + "[SpecialFX]\nMaxParticels = 300\n");
    // Missing key: added under the header, before the next section.
    EXPECT_EQ(ScratchRunFolder::withMaxParticles("[SpecialFX]\n# none\n[Sound]\n", 0),
        "[SpecialFX]\nMaxParticels = 0\n# none\n[Sound]\n");
    // Missing section; a look-alike key is left alone; no final line feed.
    EXPECT_EQ(ScratchRunFolder::withMaxParticles("[Window]\nWidth = 1", 5),
        "[Window]\nWidth = 1\n[SpecialFX]\nMaxParticels = 5\n");
    EXPECT_EQ(ScratchRunFolder::withMaxParticles("[SpecialFX]\nMaxParticelsX = 1\nMaxParticels=2\n", 9),
        "[SpecialFX]\nMaxParticelsX = 1\nMaxParticels = 9\n");
}

TEST(BenchStats, CurvatureOfTheLastStep)
{
    EXPECT_DOUBLE_EQ(stats::lastStepCurvature({0, 300, 3000, 30000}, {1, 1.3, 4, 31}), 1.0);
    EXPECT_DOUBLE_EQ(stats::lastStepCurvature({1, 4, 16}, {0, 3, 27}), 2.0);
    EXPECT_EQ(stats::lastStepCurvature({1, 4}, {0, 3}), 0.0);
    EXPECT_EQ(stats::lastStepCurvature({1, 4, 4}, {0, 3, 9}), 0.0);   // no rise in x
    EXPECT_EQ(stats::lastStepCurvature({1, 4, 16}, {3, 3, 9}), 0.0);  // flat lower step
}
