#include "ArrowStage.h"

#include "game/Arrow.h"
#include "game/ArrowManager.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;

// Doubles, a "!" pair, silent and unknown steps, both ends of the lanes.
const char* const timingNotes = "80402060100A00B0357!0090x0008200060004000";

// Frame lengths that average the rate exactly, as a real frame clock does.
std::uint32_t frameLength(int rate, std::uint64_t index)
{
    return static_cast<std::uint32_t>((index + 1) * 1000 / rate - index * 1000 / rate);
}

class ArrowTimingTest : public ::testing::TestWithParam<int> {};

TEST_P(ArrowTimingTest, EveryNoteCrossesTheGoalLineWithinAFrameOfItsBeat)
{
    const int rate = GetParam();
    const Chart chart{timingNotes, "128.000", 5500, 16000};
    ArrowStage stage(chart);
    EXPECT_NEAR(stage.arrows().getLead(), 10.5 * 60000.0 / 128.0, 1e-9);
    stage.startSong();

    std::map<const Arrow*, double> crossedAt;
    const std::uint32_t longestFrame = (1000 + rate - 1) / rate;
    for (std::uint64_t frame = 0; stage.now() - stage.songStart() < static_cast<std::uint32_t>(chart.songMs); ++frame) {
        stage.frame(frameLength(rate, frame));
        for (const Arrow* arrow : stage.arrows().getArrows(1)) {
            if (arrow->y >= ArrowStage::goalY && !crossedAt.contains(arrow))
                crossedAt[arrow] = stage.now() - stage.songStart();
        }
    }

    const auto expected = arrowtest::chartArrows(chart);
    const auto& spawned = stage.arrows().getArrows(1);
    ASSERT_EQ(spawned.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "arrow " << i << " at " << rate << " fps");
        EXPECT_EQ(spawned[i]->getLane(), expected[i].lane);
        ASSERT_TRUE(crossedAt.contains(spawned[i]));
        // Within a frame either side; 1 ms more for the whole-millisecond clocks.
        EXPECT_NEAR(crossedAt[spawned[i]], expected[i].beatMs, longestFrame + 1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(FrameRates, ArrowTimingTest, ::testing::Values(30, 60, 144, 500));

TEST(ArrowScheduleTest, NothingSpawnsBeforeTheSongStarts)
{
    ArrowStage stage({"8888", "128.000", 0, 3000});
    for (int frame = 0; frame < 100; ++frame)
        stage.frame(20);
    EXPECT_TRUE(stage.arrows().getArrows(1).empty());
    // A gap shorter than the travel: the first notes come at once, one step a frame.
    stage.startSong();
    for (int frame = 0; frame < 4; ++frame)
        stage.frame(20);
    EXPECT_EQ(stage.arrows().getArrows(1).size(), 4u);
}

TEST(ArrowScheduleTest, ALongFrameTakesOneStepAndTheScheduleCatchesUp)
{
    ArrowStage stage({"8000800080008", "128.000", 5500, 12000});
    stage.startSong();
    // Up to just before the first step, then one frame over four steps long.
    stage.frame(577);
    EXPECT_TRUE(stage.arrows().getArrows(1).empty());
    stage.frame(1000);
    EXPECT_EQ(stage.arrows().getArrows(2).size(), 1u);
    for (int frame = 0; frame < 4; ++frame)
        stage.frame(1);
    EXPECT_EQ(stage.arrows().getArrows(2).size(), 2u);
    stage.frame(1);
    EXPECT_EQ(stage.arrows().getArrows(2).size(), 2u);
}

TEST(ArrowScheduleTest, NoTempoSpawnsNothingAndWarns)
{
    for (const char* bpm : {"", "0", "-120"}) {
        ArrowStage stage({"8888", bpm, 0, 2000});
        EXPECT_NE(stage.log().find("WARNING: ArrowManager: The step file gives no tempo"), std::string::npos) << bpm;
        stage.startSong();
        for (int frame = 0; frame < 200; ++frame)
            stage.frame(16);
        EXPECT_TRUE(stage.arrows().getArrows(1).empty()) << bpm;
    }
}

} // namespace
