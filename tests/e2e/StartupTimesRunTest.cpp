#include "GameProcess.h"
#include "app/StartupTimes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

using namespace std::chrono_literals;

// With the timing switch the real game notes every start-up step in order,
// shows one frame and ends by itself with exit code 0 after a full start-up.
TEST(StartupTimesRun, NotesEveryStepInOrderAndEndsAfterTheFirstFrame)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    testsupport::ScratchDir scratch;
    scratch.write("Conf/global.cfg", "[Window]\nTitle = Flarevox Startup Run\nWidth = 320\nHeight = 240\n"
                                     "BitsPerPixel = 32\nStartFullscreen = 0\n" + testsupport::playerSections());
    const auto times = scratch.path() / "times.txt";
    setenv(StartupTimes::variable, times.c_str(), 1);
    setenv("FLAREVOX_NO_DIALOGS", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    e2e::GameProcess game(scratch.path());
    ASSERT_TRUE(game.started);
    ASSERT_TRUE(game.waitForExit(60s)) << "the game did not end after its first frame";
    EXPECT_EQ(game.exitCode, 0);

    std::vector<StartupTimes::Mark> marks;
    ASSERT_TRUE(StartupTimes::parse(testsupport::readFile(times), marks));
    std::vector<std::string> steps;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        steps.push_back(marks[i].first);
        if (i > 0) {
            EXPECT_GE(marks[i].second, marks[i - 1].second) << marks[i].first;
        }
    }
    const std::vector<std::string> expected{"main", "window", "configuration", "sounds", "players", "goal markers",
        "arrow manager", "joysticks", "texts", "arrow and particles", "disco lights", "explosion frames", "dancer",
        "sidebars and gimmicks", "song library", StartupTimes::firstFrameStep};
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(e2e::linesOf(testsupport::readFile(scratch.path() / "output.log")).back(), "INITIALIZING DONE... ");
}
