#include "app/Application.h"
#include "app/MainLoop.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "platform/Dialog.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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
