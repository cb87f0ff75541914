#include "ShellFixture.h"

#include "platform/Dialog.h"

#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <tuple>

using Message = platform::Window::Message;
using Type = Message::Type;

using WindowMessages = ShellFixture;

// A key's flag follows its last message; a repeated down (a second keyboard,
// a lost release) is no new press, a repeated up no new release; codes
// outside the table change nothing.
TEST_F(WindowMessages, KeysSetAndClearTheirFlagOnlyAndLogTheirPresses)
{
    for (const Message& message : {Message{Type::KeyDown, 116, 0, 0, 500}, {Type::KeyDown, 27, 0, 0, 510},
             {Type::KeyDown, 116, 0, 0, 520}})
        Application::handleMessage(record, message);
    EXPECT_EQ(std::tie(keys[116], keys[27], presses.tick[116], presses.count[116]), std::make_tuple(1, 1, 500u, 1u));
    Application::handleMessage(record, {Type::KeyUp, 116, 0, 0, 530});
    Application::handleMessage(record, {Type::KeyDown, 116, 0, 0, 540});
    EXPECT_EQ(std::tie(presses.tick[116], presses.count[116]), std::make_tuple(540u, 2u));
    Application::handleMessage(record, {Type::KeyUp, 116, 0, 0, 550});
    Application::handleMessage(record, {Type::KeyUp, 116, 0, 0, 560});
    EXPECT_EQ(std::tie(presses.releaseTick[116], presses.releaseCount[116]), std::make_tuple(550u, 2u));
    const KeyStates before = keys;
    for (const int code : {256, 1000, -1})
        Application::handleMessage(record, {Type::KeyDown, code});
    EXPECT_EQ(keys, before);
    EXPECT_EQ(std::tie(keys[116], keys[27]), std::make_tuple(0, 1));
}

TEST_F(WindowMessages, InjectedKeysArriveThroughThePumpWithTheirTimes)
{
    ASSERT_TRUE(record.window->pushKey(116, true, 1000));
    ASSERT_TRUE(record.window->pushKey('O', true, 1003));
    ASSERT_TRUE(record.window->pushKey(116, false, 1007));
    EXPECT_FALSE(record.window->pushKey(0xFF, true, 1010));
    std::vector<std::tuple<Type, int, std::uint32_t>> keysSeen;
    Message message;
    while (record.window->pollMessage(message))
        if (message.type == Type::KeyDown || message.type == Type::KeyUp)
            keysSeen.emplace_back(message.type, message.virtualKey, message.tick);
    EXPECT_EQ(keysSeen, (std::vector<std::tuple<Type, int, std::uint32_t>>{
                            {Type::KeyDown, 116, 1000}, {Type::KeyDown, 'O', 1003}, {Type::KeyUp, 116, 1007}}));
}

// Restoring resizes the viewport; a zero height keeps a finite projection.
TEST_F(WindowMessages, MinimiseHidesAndRestoreShowsAndResizes)
{
    record.width = 40;
    record.height = 20;
    Application::handleMessage(record, {Type::Minimised});
    EXPECT_FALSE(record.visible);
    Application::handleMessage(record, {Type::Restored, 0, 40, 20});
    EXPECT_TRUE(record.visible);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::tie(viewport[2], viewport[3]), std::make_tuple(40, 20));
    Application::resizeViewport(64, 0);
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_TRUE(std::all_of(std::begin(projection), std::end(projection), [](GLfloat v) { return std::isfinite(v); }));
}

// An exclusive mode switch ends only the pump: the outer loop goes on in the
// other mode. Closing the window ends the program. Messages of an earlier
// window are dropped.
TEST_F(WindowMessages, ModeSwitchEndsThePumpAndCloseEndsTheProgram)
{
    Application::exclusiveFullScreen = true;
    Application::requestModeSwitch(record);
    ASSERT_EQ(drainMessages(), std::vector<Type>{Type::SwitchMode});
    Application::handleMessage(record, {Type::SwitchMode});
    EXPECT_TRUE(Application::wantFullScreen);
    EXPECT_TRUE(Application::keepRunning);
    EXPECT_EQ(drainMessages(), std::vector<Type>{Type::Quit});

    Application::handleMessage(record, {Type::Close});
    EXPECT_FALSE(Application::keepRunning);
    EXPECT_EQ(drainMessages(), std::vector<Type>{Type::Quit});
    Application::requestQuit(record);
    record.window->pushKey(27, true, 0);
    record.window = platform::Window::create({"Flarevox Unit", 64, 64, 32, false, true});
    ASSERT_NE(record.window, nullptr);
    EXPECT_TRUE(drainMessages().empty());
}

TEST_F(WindowMessages, WindowSizesOutOfRangeAreRefused)
{
    for (const auto& [width, height] : {std::pair{0, 64}, {64, -5}, {100000, 64}})
        EXPECT_EQ(platform::Window::create({"x", width, height, 32, false, true}), nullptr) << width << "x" << height;
}

// Exclusive full screen is asked for once the window shows; a size the
// display lacks runs windowed after one box. The cursor hides only while full
// screen. The desktop's full screen takes any size without a box.
TEST_F(WindowMessages, FullScreenOnlyAtASizeTheDisplayHas)
{
    Application::exclusiveFullScreen = true;
    SDL_DisplayMode offered{};
    ASSERT_EQ(SDL_GetDisplayMode(0, 0, &offered), 0) << SDL_GetError();
    std::vector<std::string> boxes;
    platform::Dialog::setCapture([&](const std::string&, const std::string& text) { boxes.push_back(text); });
    for (const bool displayHasMode : {true, false}) {
        record.window.reset();
        record.fullScreen = true;
        record.width = offered.w + (displayHasMode ? 0 : 1);
        record.height = offered.h;
        ASSERT_TRUE(Application::openWindow(record));
        EXPECT_EQ(record.fullScreen, displayHasMode);
        EXPECT_EQ(record.window->isFullScreen(), displayHasMode);
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY) == SDL_DISABLE, displayHasMode);
    }
    Application::exclusiveFullScreen = false;
    record.window.reset();
    record.fullScreen = true;
    ASSERT_TRUE(Application::openWindow(record));
    EXPECT_TRUE(record.fullScreen && record.window->isFullScreen());
    platform::Dialog::clearCapture();
    EXPECT_EQ(boxes, std::vector<std::string>{"Mode Switch Failed.\nRunning In Windowed Mode."});
    record.window.reset();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}
