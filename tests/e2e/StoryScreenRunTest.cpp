#include "GameProcess.h"
#include "app/Story.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using e2e::GameProcess;
using e2e::Picture;
using e2e::readPpm;
using e2e::linesOf;
using e2e::waitForFile;

constexpr int width = 1024;
constexpr int height = 768;

// Where a point of the screen-fixed text layer (z = -9, 45 degree view)
// lands in the window, in pixels from the top left.
int columnOf(float x)
{
    const double focal = 1.0 / std::tan(22.5 * M_PI / 180.0);
    const double aspect = static_cast<double>(width) / height;
    return static_cast<int>(std::lround((1.0 + focal / aspect * x / 9.0) / 2.0 * width));
}

int rowOf(float y)
{
    const double focal = 1.0 / std::tan(22.5 * M_PI / 180.0);
    return static_cast<int>(std::lround((1.0 - focal * y / 9.0) / 2.0 * height));
}

// Rows a line of 22-pixel text may cover around its baseline.
constexpr int ascent = 22;
constexpr int descent = 7;

} // namespace

// The real game under the suite's X server: it starts, shows the story
// screen, and a real Escape key press ends it with exit code 0.
TEST(StoryScreenRun, StartsDrawsTheStoryAndQuitsOnEscape)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    testsupport::ScratchDir scratch;
    const std::string title = "Flarevox Story Run " + std::to_string(getpid());
    scratch.write("Conf/global.cfg", "[Window]\nTitle = " + title + "\nWidth = " + std::to_string(width)
            + "\nHeight = " + std::to_string(height) + "\nBitsPerPixel = 32\nStartFullscreen = 0\n"
                    + testsupport::playerSections());
    const auto capture = scratch.path() / "frame.ppm";
    setenv("FLAREVOX_CAPTURE_FRAME", capture.c_str(), 1);
    setenv("FLAREVOX_CAPTURE_AFTER", "5", 1);
    setenv("FLAREVOX_NO_DIALOGS", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    GameProcess game(scratch.path());
    ASSERT_TRUE(game.started);
    ASSERT_TRUE(waitForFile(capture, game, 60s)) << "no frame captured";

    // Focus the window and press Escape; repeated in case another test's
    // window took the focus in between.
    const std::string press = "xdotool search --name '^" + title + "$' windowfocus key Escape >/dev/null 2>&1";
    for (int attempt = 0; attempt < 10 && !game.exited; ++attempt) {
        EXPECT_NE(std::system(press.c_str()), -1);
        game.waitForExit(2s);
    }
    ASSERT_TRUE(game.exited) << "Escape did not end the game";
    EXPECT_EQ(game.sanitizerReport(), "");
    EXPECT_EQ(game.exitCode, 0);

    const auto log = linesOf(testsupport::readFile(scratch.path() / "output.log"));
    ASSERT_GE(log.size(), 4u);
    EXPECT_TRUE(log.front().starts_with("Flarevox LogFile 'output.log': "));
    EXPECT_EQ(log[2], "INITIALIZING... ");
    EXPECT_EQ(log.back(), "INITIALIZING DONE... ");

    Picture picture;
    ASSERT_TRUE(readPpm(capture, picture));
    ASSERT_EQ(picture.width, width);
    ASSERT_EQ(picture.height, height);

    struct Band {
        int top;
        int bottom;
        int left;
    };
    std::vector<Band> bands;
    for (const story::Line& line : story::lines)
        bands.push_back({rowOf(line.y) - ascent, rowOf(line.y) + descent, columnOf(story::lineX) - 3});
    // Without data the library is empty: the song panel shows the prompt alone.
    const float promptY = story::panelLineY.back();
    bands.push_back({rowOf(promptY) - ascent, rowOf(promptY) + descent, columnOf(story::promptX - 3.0f) - 3});

    // Every line shows text right of its start, on its own rows.
    for (std::size_t i = 0; i < bands.size(); ++i) {
        int lit = 0;
        for (int row = std::max(bands[i].top, 0); row <= std::min(bands[i].bottom, height - 1); ++row)
            for (int column = std::max(bands[i].left, 0); column < width; ++column)
                lit += picture.lit(column, row);
        EXPECT_GT(lit, 100) << "line " << i + 1;
    }
    // Everything else is the clear colour.
    int stray = 0;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            bool inText = false;
            for (const Band& band : bands)
                inText = inText || (row >= band.top && row <= band.bottom && column >= band.left);
            stray += !inText && picture.lit(column, row);
        }
    }
    EXPECT_EQ(stray, 0);
}
