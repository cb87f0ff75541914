#include "app/Application.h"
#include "app/MainLoop.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "platform/Dialog.h"
#include "scene/ObjectGraph.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Box { std::string title, text; };

class OuterLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Only the window's own boxes: the scratch folder has no game data,
        // whose missing files the managers report in boxes of their own.
        platform::Dialog::setCapture([this](const std::string& title, const std::string& text) {
            if (title != OutputHandler::messageTitle)
                boxes.push_back({title, text});
        });
    }
    void TearDown() override { platform::Dialog::clearCapture(); }

    void writeConfig(int width, int height)
    {
        scratch.write("Conf/global.cfg", "[Window]\nTitle = Flarevox Outer Loop\nWidth = " + std::to_string(width)
                + "\nHeight = " + std::to_string(height) + "\nBitsPerPixel = 32\nStartFullscreen = 0\n"
                + testsupport::playerSections());
    }

    testsupport::ScratchDir scratch;
    std::vector<Box> boxes;
};

} // namespace

// Every F5 ends the running main loop; the outer loop tears down its registry
// and builds a new window and a main loop with fresh managers in the other
// mode. Twenty switches in one process, then Escape ends the run. Under the
// sanitizers this also checks that no manager outlives its registry.
TEST_F(OuterLoop, TwentyModeSwitchesEachBuildAFreshMainLoop)
{
    constexpr int switches = 20;
    constexpr int f5 = 116;
    constexpr int escape = 27;
    writeConfig(160, 120);
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
            SCOPED_TRACE("main loop " + std::to_string(loops));
            EXPECT_EQ(Application::wantFullScreen, loops % 2 == 0);
            refused += Application::wantFullScreen && !record.fullScreen;
            const OutputHandler* log = OutputHandler::find();
            ASSERT_NE(log, nullptr);
            EXPECT_TRUE(log->isOpen());
            EXPECT_NE(ObjectGraph::find(), nullptr);
            const std::string text = testsupport::readFile(scratch.path() / "output.log");
            const auto done = text.find("INITIALIZING DONE...");
            EXPECT_NE(done, std::string::npos);
            EXPECT_EQ(done, text.rfind("INITIALIZING DONE...")) << "every start-up writes a fresh log";
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
    EXPECT_EQ(boxes.size(), refused);
    for (const Box& box : boxes) {
        EXPECT_EQ(box.title, "Error");
        EXPECT_EQ(box.text, "Mode Switch Failed.\nRunning In Windowed Mode.");
    }
}

TEST_F(OuterLoop, AWindowThatCannotBeMadeEndsTheRunQuietly)
{
    writeConfig(0, 120);
    Application application;
    bool framed = false;
    application.setFrameObserver([&](WindowRecord&, MainLoop&) { framed = true; });
    EXPECT_EQ(application.run(), 0);
    EXPECT_FALSE(framed);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Error");
    EXPECT_EQ(boxes[0].text, "Error Creating OpenGL Window");
}
