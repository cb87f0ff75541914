#include "app/SimulatedTime.h"
#include "app/StartupTimes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(StartupTimes, ParseRefusesMalformedLines)
{
    std::vector<StartupTimes::Mark> marks;
    const std::vector<StartupTimes::Mark> written{{"main", 12.5}, {"first frame", 1300.25}};
    ASSERT_TRUE(StartupTimes::parse(StartupTimes::format(written), marks));
    EXPECT_EQ(marks, written);

    for (const char* text : {"", "main 12.5\n", "\t12.5\n", "main\t\n", "main\t12.5ms\n", "main\tnan\n",
             "main\t1\nwindow\t2\ntorn"}) {
        std::vector<StartupTimes::Mark> refused;
        EXPECT_FALSE(StartupTimes::parse(text, refused)) << text;
    }
}

// Off: nothing is noted and frames go on. On: only the first frame writes the
// file and asks for the end.
TEST(StartupTimes, OnlyTheFirstFrameWritesAndEnds)
{
    testsupport::ScratchDir scratch;
    const auto path = scratch.path() / "times.txt";
    unsetenv(StartupTimes::variable);
    StartupTimes::enableFromEnvironment();
    StartupTimes::mark("main");
    EXPECT_FALSE(StartupTimes::frameShown());

    setenv(StartupTimes::variable, path.c_str(), 1);
    StartupTimes::enableFromEnvironment();
    StartupTimes::mark("main");
    EXPECT_TRUE(StartupTimes::frameShown());
    StartupTimes::mark("late");
    EXPECT_FALSE(StartupTimes::frameShown());

    std::vector<StartupTimes::Mark> marks;
    ASSERT_TRUE(StartupTimes::parse(testsupport::readFile(path), marks));
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].first, "main");
    EXPECT_EQ(marks[1].first, StartupTimes::firstFrameStep);
    EXPECT_GE(marks[1].second, marks[0].second);
    unsetenv(StartupTimes::variable);
}

// The simulated clock takes 1 to 1000 frames per second; any other value
// leaves the game on the real clock.
TEST(SimulatedTime, TakesOneToAThousandFramesPerSecond)
{
    for (const auto& [value, simulated] :
        {std::pair{"1", true}, {"1000", true}, {"0", false}, {"1001", false}, {"", false}}) {
        setenv("FLAREVOX_SIMULATED_FPS", value, 1);
        EXPECT_EQ(SimulatedTime::fromEnvironment() != nullptr, simulated) << value;
    }
    unsetenv("FLAREVOX_SIMULATED_FPS");
}
