#include "app/Application.h"
#include "app/MainLoop.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "platform/Dialog.h"
#include "support/TestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr int f5 = 116;
constexpr int escape = 27;

class OuterLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Only the window's own boxes: the scratch folder has no game data,
        // whose missing files the managers report in boxes of their own.
        platform::Dialog::setCapture([this](const std::string& title, const std::string& text) {
            if (title != OutputHandler::messageTitle)
                boxes.push_back(title + "|" + text);
        });
    }
    void TearDown() override { platform::Dialog::clearCapture(); }

    testsupport::ScratchDir scratch;
    std::vector<std::string> boxes;
};

struct FramePicture {
    int drawableWidth = 0;
    int drawableHeight = 0;
    std::array<GLint, 4> viewport{};
    bool fullScreen = false;
    MainLoop* loop = nullptr;
    bool barsBlack = true;
};

// Points of the bars at the bottom and top (the story's text lies close to the top edge).
bool cornersBlack(int width, int height)
{
    for (const auto& [x, y] : {std::pair{0, 0}, {width / 2, 10}, {width / 2, height - 10}, {width - 1, height - 1}}) {
        unsigned char pixel[3] = {7, 7, 7};
        glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
        if (pixel[0] != 0 || pixel[1] != 0 || pixel[2] != 0)
            return false;
    }
    return true;
}

} // namespace

// In the exclusive mode every F5 ends the running main loop; the outer loop tears down its registry
// and builds a new window and a main loop with fresh managers and a fresh log
// in the other mode. Twenty switches in one process, then Escape ends the run.
// Under the sanitizers this also checks that no manager outlives its registry.
TEST_F(OuterLoop, TwentyModeSwitchesEachBuildAFreshMainLoop)
{
    constexpr int switches = 20;
    scratch.write("Conf/global.cfg",
                  "[Window]\nFullscreenMode = exclusive\n" + testsupport::gameConfig("Flarevox Outer Loop", 160, 120));
    Application application;
    int loops = 0;
    int framesInLoop = 0;
    bool switching = false;
    std::size_t refused = 0;
    application.setFrameObserver([&](WindowRecord& record, MainLoop& loop) {
        EXPECT_EQ(ObjectRegistry::instance()->find("MainLoop"), &loop);
        EXPECT_EQ(Application::myMainLoop, &loop);
        // F5 stays down in its window until that pump ends; a new window
        // starts with every key up.
        if (record.keyStates[f5]) {
            switching = true;
            return;
        }
        if (switching || loops == 0) {
            switching = false;
            framesInLoop = 0;
            ++loops;
            EXPECT_EQ(Application::wantFullScreen, loops % 2 == 0) << loops;
            refused += Application::wantFullScreen && !record.fullScreen;
            const std::string log = testsupport::readFile(scratch.path() / "output.log");
            EXPECT_NE(log.find("INITIALIZING DONE..."), std::string::npos) << loops;
            EXPECT_EQ(log.find("INITIALIZING DONE..."), log.rfind("INITIALIZING DONE...")) << loops;
        }
        if (++framesInLoop == 2)
            record.window->pushKey(loops <= switches ? f5 : escape, true, 0);
    });

    EXPECT_EQ(application.run(), 0);
    EXPECT_EQ(loops, switches + 1);
    EXPECT_EQ(Application::myMainLoop, nullptr);
    EXPECT_FALSE(ObjectRegistry::exists());
    // A display without a 160x120 mode refuses each switch to full screen
    // with one box.
    EXPECT_EQ(boxes, std::vector<std::string>(refused, "Error|Mode Switch Failed.\nRunning In Windowed Mode."));
}

TEST_F(OuterLoop, AWindowThatCannotBeMadeEndsTheRunQuietly)
{
    scratch.write("Conf/global.cfg", testsupport::gameConfig("Flarevox Outer Loop", 0, 120));
    Application application;
    bool framed = false;
    application.setFrameObserver([&](WindowRecord&, MainLoop&) { framed = true; });
    EXPECT_EQ(application.run(), 0);
    EXPECT_FALSE(framed);
    EXPECT_EQ(boxes, std::vector<std::string>{"Error|Error Creating OpenGL Window"});
}

// F5 takes the running game to a full screen at the desktop's own resolution
// (the test's X server: 1280x1024) with the 4:3 picture letterboxed, and back
// to the 1024x768 window, without a new main loop, a box or a mode switch.
TEST_F(OuterLoop, F5LetterboxesAtTheDesktopsResolutionAndBack)
{
    scratch.write("Conf/global.cfg", testsupport::gameConfig("Flarevox Full Screen", 1024, 768));
    Application application;
    std::vector<FramePicture> pictures;
    int frame = 0;
    application.setFrameObserver([&](WindowRecord& record, MainLoop& loop) {
        ++frame;
        FramePicture picture;
        record.window->drawableSize(picture.drawableWidth, picture.drawableHeight);
        glGetIntegerv(GL_VIEWPORT, picture.viewport.data());
        picture.fullScreen = record.fullScreen;
        picture.loop = &loop;
        picture.barsBlack = cornersBlack(picture.drawableWidth, picture.drawableHeight);
        pictures.push_back(picture);
        if (frame == 3 || frame == 40)
            record.window->pushKey(f5, true, 0);
        if (frame == 5 || frame == 42)
            record.window->pushKey(f5, false, 0);
        if (frame == 80)
            record.window->pushKey(escape, true, 0);
    });
    EXPECT_EQ(application.run(), 0);

    ASSERT_GE(pictures.size(), 80u);
    const FramePicture& windowed = pictures[1];
    const FramePicture& full = pictures[35];
    const FramePicture& back = pictures.back();
    EXPECT_FALSE(windowed.fullScreen);
    EXPECT_EQ(std::tie(windowed.drawableWidth, windowed.drawableHeight), std::make_tuple(1024, 768));
    EXPECT_EQ(windowed.viewport, (std::array<GLint, 4>{0, 0, 1024, 768}));

    EXPECT_TRUE(full.fullScreen);
    EXPECT_EQ(std::tie(full.drawableWidth, full.drawableHeight), std::make_tuple(1280, 1024));
    EXPECT_EQ(full.viewport, (std::array<GLint, 4>{0, 32, 1280, 960}));
    EXPECT_TRUE(full.barsBlack);

    EXPECT_FALSE(back.fullScreen);
    EXPECT_EQ(std::tie(back.drawableWidth, back.drawableHeight), std::make_tuple(1024, 768));
    EXPECT_EQ(back.viewport, (std::array<GLint, 4>{0, 0, 1024, 768}));
    for (const FramePicture& picture : pictures)
        EXPECT_EQ(picture.loop, windowed.loop) << "the game went on in the same main loop";
    EXPECT_TRUE(boxes.empty());
    const std::string log = testsupport::readFile(scratch.path() / "output.log");
    EXPECT_EQ(log.find("INITIALIZING DONE..."), log.rfind("INITIALIZING DONE..."));
}
