#include "app/StartupTimes.h"
#include "flow/Story.h"
#include "support/GameProcess.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace std::chrono_literals;

constexpr int width = 1024;
constexpr int height = 768;
const double focal = 1.0 / std::tan(22.5 * M_PI / 180.0);

// Where a point of the screen-fixed text layer (z = -9, 45 degree view)
// lands in the window, in pixels from the top left.
int columnOf(float x)
{
    return static_cast<int>(std::lround((1.0 + focal * height / width * x / 9.0) / 2.0 * width));
}

int rowOf(float y)
{
    return static_cast<int>(std::lround((1.0 - focal * y / 9.0) / 2.0 * height));
}

// The rows a line of 22-pixel text may cover around its baseline, from its start on.
struct Band {
    int top;
    int bottom;
    int left;

    Band(float y, float x) : top(rowOf(y) - 22), bottom(rowOf(y) + 7), left(columnOf(x) - 3) {}
    bool holds(int column, int row) const { return row >= top && row <= bottom && column >= left; }
};

} // namespace

// The real game under the suite's X server, with the start-up timing switch:
// it notes every start-up step in order, shows the story screen in its first
// frame and ends by itself with exit code 0 after a full start-up.
TEST(StoryScreenRun, NotesEveryStartUpStepAndDrawsTheStoryInTheFirstFrame)
{
    testsupport::ScratchDir scratch;
    scratch.write("Conf/global.cfg", testsupport::gameConfig("Flarevox Story Run", width, height));
    const auto capture = scratch.path() / "frame.ppm";
    const auto times = scratch.path() / "times.txt";
    e2e::setRunEnvironment(
        {{"FLAREVOX_CAPTURE_FRAME", capture}, {"FLAREVOX_CAPTURE_AFTER", "1"}, {StartupTimes::variable, times}});

    e2e::GameProcess game(scratch.path());
    ASSERT_TRUE(game.waitForExit(60s)) << "the game did not end after its first frame";
    EXPECT_EQ(game.exitCode, 0) << game.errors();
    EXPECT_EQ(testsupport::linesOf(testsupport::readFile(scratch.path() / "output.log")).back(), "INITIALIZING DONE... ");

    std::vector<StartupTimes::Mark> marks;
    ASSERT_TRUE(StartupTimes::parse(testsupport::readFile(times), marks));
    std::vector<std::string> steps;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        steps.push_back(marks[i].first);
        EXPECT_GE(marks[i].second, i > 0 ? marks[i - 1].second : 0.0) << marks[i].first;
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"main", "window", "configuration", "sounds", "players", "goal markers",
                         "arrow manager", "joysticks", "texts", "arrow and particles", "disco lights",
                         "explosion frames", "dancer", "sidebars and gimmicks", "song library",
                         StartupTimes::firstFrameStep}));

    e2e::Picture picture;
    ASSERT_TRUE(e2e::readPpm(capture, picture));
    ASSERT_EQ(picture.width, width);
    ASSERT_EQ(picture.height, height);
    std::vector<Band> bands;
    for (const story::Line& line : story::lines)
        bands.emplace_back(line.y, story::lineX);
    // Without data the library is empty: the song panel shows the prompt
    // alone, under the keys of a network battle.
    bands.emplace_back(story::panelLineY.back(), story::promptX - 3.0f);
    bands.emplace_back(story::networkLineY, story::promptX - 3.0f);

    // Every line shows text right of its start, on its own rows; everything
    // else is the clear colour.
    std::vector<int> litInBand(bands.size());
    int stray = 0;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            bool inText = false;
            for (std::size_t i = 0; i < bands.size(); ++i)
                if (bands[i].holds(column, row)) {
                    inText = true;
                    litInBand[i] += picture.lit(column, row);
                }
            stray += !inText && picture.lit(column, row);
        }
    for (std::size_t i = 0; i < bands.size(); ++i)
        EXPECT_GT(litInBand[i], 100) << "line " << i + 1;
    EXPECT_EQ(stray, 0);
}
