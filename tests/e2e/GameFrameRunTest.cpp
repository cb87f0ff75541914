#include "GameProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace {

using namespace std::chrono_literals;
using e2e::GameProcess;
using e2e::Picture;

const std::filesystem::path runFolder = FLAREVOX_RUN_DIR;

// Pixels inside a box given in fractions of the frame that pass a test.
int countPixels(const Picture& picture, float left, float top, float right, float bottom,
                const std::function<bool(int r, int g, int b)>& wanted)
{
    int count = 0;
    for (int row = static_cast<int>(top * picture.height); row < static_cast<int>(bottom * picture.height); ++row) {
        for (int column = static_cast<int>(left * picture.width); column < static_cast<int>(right * picture.width);
             ++column) {
            const unsigned char* pixel = picture.at(column, row);
            count += wanted(pixel[0], pixel[1], pixel[2]) ? 1 : 0;
        }
    }
    return count;
}

bool metallic(int r, int g, int b)
{
    return std::max({r, g, b}) > 80 && std::max({r, g, b}) - std::min({r, g, b}) < 40;
}

bool glowing(int r, int g, int b)
{
    return r > 180 && b < r - 40 && g < r;
}

} // namespace

// The real game with its generated data, played by the bot on the simulated
// clock and photographed ten seconds in: both fields show their goal markers
// at the top and the textured arrows rising below them, and the two sidebars
// stand at the edges in their players' colours. The arrow boxes leave out
// the middle, where the dancer stands.
TEST(GameFrameRun, FieldsShowGoalMarkersRisingArrowsAndSidebars)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    ASSERT_TRUE(std::filesystem::exists(runFolder / "Conf/global.cfg")) << "generate the data first";
    testsupport::ScratchDir scratch;
    std::filesystem::create_directory_symlink(runFolder / "Conf", scratch.path() / "Conf");
    std::filesystem::create_directory_symlink(runFolder / "Data", scratch.path() / "Data");
    const auto capture = scratch.path() / "frame.ppm";
    setenv("FLAREVOX_NO_DIALOGS", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("FLAREVOX_SIMULATED_FPS", "60", 1);
    setenv("FLAREVOX_CAPTURE_FRAME", capture.c_str(), 1);
    setenv("FLAREVOX_CAPTURE_AFTER", "600", 1);

    GameProcess game(scratch.path(), {"--autoplay"});
    ASSERT_TRUE(game.started);
    ASSERT_TRUE(e2e::waitForFile(capture, game, 120s)) << "no frame captured";
    game.waitForExit(1s);
    EXPECT_EQ(game.sanitizerReport(), "");
    Picture picture;
    ASSERT_TRUE(e2e::readPpm(capture, picture));

    EXPECT_GT(countPixels(picture, 0.20f, 0.10f, 0.47f, 0.22f, metallic), 2000) << "player 1's goal markers";
    EXPECT_GT(countPixels(picture, 0.53f, 0.10f, 0.80f, 0.22f, metallic), 2000) << "player 2's goal markers";
    EXPECT_GT(countPixels(picture, 0.20f, 0.25f, 0.40f, 1.0f, glowing), 500) << "player 1's arrows";
    EXPECT_GT(countPixels(picture, 0.60f, 0.25f, 0.80f, 1.0f, glowing), 500) << "player 2's arrows";
    EXPECT_GT(countPixels(picture, 0.0f, 0.1f, 0.1f, 0.8f, [](int r, int, int b) { return b > r + 40; }), 1000)
        << "player 1's blue sidebar";
    EXPECT_GT(countPixels(picture, 0.9f, 0.1f, 1.0f, 0.8f, [](int r, int, int b) { return r > b + 40; }), 1000)
        << "player 2's orange sidebar";
}
