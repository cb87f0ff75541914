#pragma once

#include "app/Application.h"
#include "app/MainLoop.h"
#include "core/ObjectRegistry.h"
#include "platform/Window.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A scratch folder with a small configuration and a window record with a
// hidden window and a current OpenGL context.
class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch.write("Conf/global.cfg", testsupport::gameConfig("Flarevox Unit", 64, 64));
        ASSERT_TRUE(platform::Window::startVideo());
        record.keyStates = keys.data();
        record.keyPresses = &presses;
        record.window = platform::Window::create({"Flarevox Unit", 64, 64, 32, false, true});
        ASSERT_NE(record.window, nullptr);
        record.visible = true;
        Application::keepRunning = true;
        Application::wantFullScreen = false;
        Application::exclusiveFullScreen = false;
    }

    void TearDown() override
    {
        record.window.reset();
        if (ObjectRegistry::exists())
            ObjectRegistry::destroy();
        platform::Window::stopVideo();
    }

    // The test ends the main loop before the registry goes.
    std::unique_ptr<MainLoop> start()
    {
        auto loop = std::make_unique<MainLoop>();
        EXPECT_TRUE(loop->initialize(&record, keys.data()));
        return loop;
    }

    std::vector<platform::Window::Message::Type> drainMessages()
    {
        std::vector<platform::Window::Message::Type> types;
        platform::Window::Message message;
        while (record.window->pollMessage(message))
            types.push_back(message.type);
        return types;
    }

    std::vector<std::string> logLines() const
    {
        return testsupport::linesOf(testsupport::readFile(scratch.path() / "output.log"));
    }

    testsupport::ScratchDir scratch;
    KeyStates keys{};
    KeyPresses presses{};
    WindowRecord record;
};
