#include "ShellFixture.h"

#include "app/MainLoop.h"
#include "fx/Text.h"
#include "input/InputHandler.h"
#include "input/InputJoystick.h"
#include "support/VirtualJoystick.h"

#include <cstdlib>

using InputDispatchTest = ShellFixture;

// Player keys reach the arrow manager: any slot key starts the song, a
// direction key on the story screen does not.
TEST_F(InputDispatchTest, SlotKeyOfEitherPlayerStartsTheSong)
{
    for (const int slot : {'Q', 'K'}) {
        MainLoop* loop = start();
        keys.fill(0);
        keys['W'] = 1;
        keys[0x26] = 1;
        loop->update();
        EXPECT_EQ(loop->getStarted(), 0);
        keys[slot] = 1;
        loop->update();
        EXPECT_EQ(loop->getStarted(), 1) << slot;
        EXPECT_FALSE(loop->getStoryText()->isActive());
        delete loop;
    }
}

// One pad attached: it becomes joystick 1 and plays for player 1. The first
// poll only acquires it, so a held button counts from the second frame.
TEST_F(InputDispatchTest, PadButtonPlaysFromTheFrameAfterItIsAcquired)
{
    if (testsupport::VirtualJoystick::attachedCount() > 0)
        GTEST_SKIP() << "real game controllers are attached";
    // The test window is hidden and never has the focus.
    setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
    testsupport::VirtualJoystick pad("Flarevox Test Mat", 16);
    MainLoop* loop = start();
    auto* input = ObjectRegistry::instance()->findAs<InputHandler>("InputHandler");
    ASSERT_TRUE(input->getJoystick(1)->isActive());
    EXPECT_FALSE(input->getJoystick(2)->hasDevice());

    pad.setButton(0, true);
    loop->update();
    EXPECT_EQ(loop->getStarted(), 0) << "the first poll reads nothing";
    pad.setButton(0, false);
    pad.setButton(4, true);
    loop->update();
    EXPECT_EQ(loop->getStarted(), 0) << "button 4 is bound to nothing";
    pad.setButton(0, true);
    loop->update();
    EXPECT_EQ(loop->getStarted(), 1);
    delete loop;
    unsetenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS");
}
