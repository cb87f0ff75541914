#include "ShellFixture.h"

#include "platform/Dialog.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cmath>

using Message = platform::Window::Message;
using Type = Message::Type;

using WindowMessages = ShellFixture;

TEST_F(WindowMessages, KeysSetAndClearTheirFlagOnlyAndLogTheirPresses)
{
    Application::handleMessage(record, {Type::KeyDown, 116, 0, 0, 500});
    Application::handleMessage(record, {Type::KeyDown, 27, 0, 0, 510});
    // A repeated down (a second keyboard, a lost release) is no new press.
    Application::handleMessage(record, {Type::KeyDown, 116, 0, 0, 520});
    EXPECT_EQ(keys[116], 1);
    EXPECT_EQ(keys[27], 1);
    EXPECT_EQ(presses.tick[116], 500u);
    EXPECT_EQ(presses.count[116], 1u);
    Application::handleMessage(record, {Type::KeyUp, 116, 0, 0, 530});
    Application::handleMessage(record, {Type::KeyDown, 116, 0, 0, 540});
    EXPECT_EQ(presses.tick[116], 540u);
    EXPECT_EQ(presses.count[116], 2u);
    Application::handleMessage(record, {Type::KeyUp, 116});
    EXPECT_EQ(keys[116], 0);
    EXPECT_EQ(keys[27], 1);

    // Codes outside the table change nothing and write nowhere.
    KeyStates before = keys;
    for (const int code : {256, 1000, -1})
        Application::handleMessage(record, {Type::KeyDown, code});
    EXPECT_EQ(keys, before);
}

TEST_F(WindowMessages, InjectedKeysArriveThroughThePumpWithTheirTimes)
{
    ASSERT_TRUE(record.window->pushKey(116, true, 1000));
    ASSERT_TRUE(record.window->pushKey('O', true, 1003));
    ASSERT_TRUE(record.window->pushKey(116, false, 1007));
    EXPECT_FALSE(record.window->pushKey(0xFF, true, 1010));

    std::vector<Message> keysSeen;
    Message message;
    while (record.window->pollMessage(message)) {
        if (message.type == Type::KeyDown || message.type == Type::KeyUp)
            keysSeen.push_back(message);
    }
    ASSERT_EQ(keysSeen.size(), 3u);
    EXPECT_EQ(keysSeen[0].virtualKey, 116);
    EXPECT_EQ(keysSeen[0].type, Type::KeyDown);
    EXPECT_EQ(keysSeen[1].virtualKey, 'O');
    EXPECT_EQ(keysSeen[2].virtualKey, 116);
    EXPECT_EQ(keysSeen[2].type, Type::KeyUp);
    EXPECT_EQ(keysSeen[0].tick, 1000u);
    EXPECT_EQ(keysSeen[1].tick, 1003u);
    EXPECT_EQ(keysSeen[2].tick, 1007u);
}

TEST_F(WindowMessages, MinimiseHidesAndRestoreShowsAndResizes)
{
    Application::handleMessage(record, {Type::Minimised});
    EXPECT_FALSE(record.visible);
    Application::handleMessage(record, {Type::Restored, 0, 40, 20});
    EXPECT_TRUE(record.visible);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 40);
    EXPECT_EQ(viewport[3], 20);

    // A zero height keeps a finite projection.
    Application::resizeViewport(64, 0);
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (const GLfloat value : projection)
        EXPECT_TRUE(std::isfinite(value));
}

// A mode switch ends only the pump: the outer loop goes on in the other mode.
// Closing the window ends the program.
TEST_F(WindowMessages, ModeSwitchEndsThePumpAndCloseEndsTheProgram)
{
    Application::requestModeSwitch(record);
    ASSERT_EQ(drainMessages(), std::vector<Type>{Type::SwitchMode});
    Application::handleMessage(record, {Type::SwitchMode});
    EXPECT_TRUE(Application::wantFullScreen);
    EXPECT_TRUE(Application::keepRunning);
    EXPECT_EQ(drainMessages(), std::vector<Type>{Type::Quit});

    Application::handleMessage(record, {Type::Close});
    EXPECT_FALSE(Application::keepRunning);
    EXPECT_EQ(drainMessages(), std::vector<Type>{Type::Quit});
}

TEST_F(WindowMessages, MessagesForAnEarlierWindowAreDropped)
{
    Application::requestQuit(record);
    record.window->pushKey(27, true, 0);
    record.window = platform::Window::create({"Flarevox Unit", 64, 64, 32, false, true});
    ASSERT_NE(record.window, nullptr);
    EXPECT_TRUE(drainMessages().empty());
}

TEST_F(WindowMessages, WindowSizesOutOfRangeAreRefused)
{
    EXPECT_EQ(platform::Window::create({"x", 0, 64, 32, false, true}), nullptr);
    EXPECT_EQ(platform::Window::create({"x", 64, -5, 32, false, true}), nullptr);
    EXPECT_EQ(platform::Window::create({"x", 100000, 64, 32, false, true}), nullptr);
}

// Full screen is asked for once the window shows; a size the display lacks
// runs windowed after one box. The cursor hides only while full screen.
TEST_F(WindowMessages, FullScreenOnlyAtASizeTheDisplayHas)
{
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
    platform::Dialog::clearCapture();
    EXPECT_EQ(boxes, std::vector<std::string>{"Mode Switch Failed.\nRunning In Windowed Mode."});
    record.window.reset();
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}
