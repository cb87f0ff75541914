#include "flow/PressSpread.h"
#include "flow/TimingPlot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(PressSpread, MeanSpreadAndBinsAcrossTheBoooWindow)
{
    const PressSpread spread({-10.0, 0.0, 10.0, 20.0, std::numeric_limits<double>::quiet_NaN()});
    EXPECT_EQ(spread.presses(), 4u);
    EXPECT_DOUBLE_EQ(spread.meanMs(), 5.0);
    EXPECT_NEAR(spread.deviationMs(), std::sqrt(125.0), 1e-9);
    EXPECT_EQ(spread.meanLine(), "mean +5.0 ms");
    EXPECT_EQ(spread.deviationLine(), "sd   11.2 ms");
    EXPECT_EQ(spread.fullestBin(), 1u);
    // Bins run from the early edge of the "Booo" window to its late edge;
    // errors beyond it count in the outermost bins.
    EXPECT_EQ(PressSpread::binOf(-PressSpread::rangeMs), 0u);
    EXPECT_EQ(PressSpread::binOf(-1000.0), 0u);
    EXPECT_EQ(PressSpread::binOf(-0.1), PressSpread::binCount / 2 - 1);
    EXPECT_EQ(PressSpread::binOf(0.0), PressSpread::binCount / 2);
    EXPECT_EQ(PressSpread::binOf(234.9), PressSpread::binCount - 1);
    EXPECT_EQ(PressSpread::binOf(1000.0), PressSpread::binCount - 1);

    const PressSpread none({});
    EXPECT_EQ(none.meanLine(), "");
    EXPECT_EQ(none.deviationLine(), "");
    EXPECT_EQ(none.fullestBin(), 0u);
}

// Late presses are drawn above the zero line, early ones below; presses and
// misses past the song's end or the window stay on the pane's edge.
TEST(TimingPlot, PressesStayWithinTheirPane)
{
    for (const int player : {1, 2}) {
        TimingPlot plot(player);
        plot.show({{0.0, -30.0, 2}, {60000.0, 12.0, 0}}, {30000.0}, 60000.0);
        const TimingPlot::Frame& frame = plot.getFrame();
        EXPECT_TRUE(plot.isActive());
        EXPECT_EQ(plot.xOf(0.0), frame.left);
        EXPECT_EQ(plot.xOf(90000.0), frame.right);
        EXPECT_FLOAT_EQ(plot.yOf(0.0), (frame.plotTop + frame.plotBottom) / 2);
        EXPECT_GT(plot.yOf(12.0), plot.yOf(0.0));
        EXPECT_LT(plot.yOf(-30.0), plot.yOf(0.0));
        EXPECT_EQ(plot.yOf(5000.0), frame.plotTop);
        EXPECT_EQ(plot.yOf(-5000.0), frame.plotBottom);
        EXPECT_EQ(plot.getSpread().meanLine(), "mean -9.0 ms");
        plot.clear();
        EXPECT_FALSE(plot.isActive());
        EXPECT_EQ(plot.pressCount() + plot.missCount(), 0u);
    }
}
