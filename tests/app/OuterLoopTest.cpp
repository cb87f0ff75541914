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

// F5 in the first main loop ends it; the outer loop builds a new window and a
// main loop with fresh managers in the other mode; Escape there ends the run.
TEST_F(OuterLoop, ModeSwitchBuildsASecondMainLoopWithFreshManagers)
{
    writeConfig(160, 120);
    Application application;
    int firstFrames = 0;
    int secondFrames = 0;
    OutputHandler* firstLog = nullptr;
    application.setFrameObserver([&](WindowRecord& record, MainLoop& loop) {
        EXPECT_EQ(ObjectRegistry::instance()->find("MainLoop"), &loop);
        EXPECT_EQ(Application::myMainLoop, &loop);
        // F5 stays down in the first window until its pump ends; a new
        // window starts with every key up.
        if (!Application::wantFullScreen || record.keyStates[116]) {
            firstLog = OutputHandler::find();
            if (++firstFrames == 2)
                record.window->pushKey(116, true);
            return;
        }
        if (++secondFrames == 1) {
            OutputHandler* log = OutputHandler::find();
            ASSERT_NE(log, nullptr);
            EXPECT_TRUE(log->isOpen());
            EXPECT_NE(ObjectGraph::find(), nullptr);
            const std::string text = testsupport::readFile(scratch.path() / "output.log");
            const auto done = text.find("INITIALIZING DONE...");
            EXPECT_NE(done, std::string::npos);
            EXPECT_EQ(done, text.rfind("INITIALIZING DONE...")) << "the second start-up writes a fresh log";
            EXPECT_EQ(record.fullScreen, boxes.empty());
            record.window->pushKey(27, true);
        }
    });

    EXPECT_EQ(application.run(), 0);
    EXPECT_GE(firstFrames, 3);
    EXPECT_GE(secondFrames, 1);
    EXPECT_NE(firstLog, nullptr);
    EXPECT_EQ(Application::myMainLoop, nullptr);
    EXPECT_FALSE(ObjectRegistry::exists());
    // A display that has no mode of this size refuses full screen once.
    ASSERT_LE(boxes.size(), 1u);
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
