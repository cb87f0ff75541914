#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

using platform::VirtualKeys;

TEST(VirtualKeys, NamedKeysGiveWindowsCodes)
{
    EXPECT_EQ(VirtualKeys::fromKeyName("Escape"), 27);
    EXPECT_EQ(VirtualKeys::fromKeyName("F1"), 112);
    EXPECT_EQ(VirtualKeys::fromKeyName("F5"), 116);
    EXPECT_EQ(VirtualKeys::fromKeyName("F12"), 123);
    EXPECT_EQ(VirtualKeys::fromKeyName("A"), 'A');
    EXPECT_EQ(VirtualKeys::fromKeyName("Z"), 'Z');
    EXPECT_EQ(VirtualKeys::fromKeyName("0"), '0');
    EXPECT_EQ(VirtualKeys::fromKeyName("9"), '9');
    EXPECT_EQ(VirtualKeys::fromKeyName("Left"), 0x25);
    EXPECT_EQ(VirtualKeys::fromKeyName("Down"), 0x28);
    EXPECT_EQ(VirtualKeys::fromKeyName("Keypad 0"), 0x60);
    EXPECT_EQ(VirtualKeys::fromKeyName("Keypad 7"), 0x67);
    EXPECT_EQ(VirtualKeys::fromKeyName("Keypad Enter"), 0x0D);
    EXPECT_EQ(VirtualKeys::fromKeyName("PageUp"), 0x21);
    EXPECT_EQ(VirtualKeys::fromKeyName("Delete"), 0x2E);
    EXPECT_EQ(VirtualKeys::fromKeyName(";"), 0xBA);
    EXPECT_EQ(VirtualKeys::fromKeyName("'"), 0xDE);
}

TEST(VirtualKeys, BothShiftsControlsAndAltsShareOneCode)
{
    EXPECT_EQ(VirtualKeys::fromKeyName("Left Shift"), 0x10);
    EXPECT_EQ(VirtualKeys::fromKeyName("Right Shift"), 0x10);
    EXPECT_EQ(VirtualKeys::fromKeyName("Left Ctrl"), 0x11);
    EXPECT_EQ(VirtualKeys::fromKeyName("Right Ctrl"), 0x11);
    EXPECT_EQ(VirtualKeys::fromKeyName("Left Alt"), 0x12);
    EXPECT_EQ(VirtualKeys::fromKeyName("Right Alt"), 0x12);
}

TEST(VirtualKeys, WindowsCodesGiveNamedKeys)
{
    EXPECT_EQ(VirtualKeys::keyName(27), "Escape");
    EXPECT_EQ(VirtualKeys::keyName(114), "F3");
    EXPECT_EQ(VirtualKeys::keyName('O'), "O");
    EXPECT_EQ(VirtualKeys::keyName('1'), "1");
    EXPECT_EQ(VirtualKeys::keyName(0x69), "Keypad 9");
    EXPECT_EQ(VirtualKeys::keyName(0x26), "Up");
    EXPECT_EQ(VirtualKeys::keyName(0x0D), "Return");
}

TEST(VirtualKeys, UnmappedKeysHaveNoCode)
{
    EXPECT_EQ(VirtualKeys::fromKeyName("Mute"), VirtualKeys::unmapped);
    EXPECT_EQ(VirtualKeys::fromKeyName("no such key"), VirtualKeys::unmapped);
    EXPECT_EQ(VirtualKeys::fromSdl(0, 0), VirtualKeys::unmapped);
    for (const int code : {0, 1, 0x07, 0xFF, 256, -1})
        EXPECT_EQ(VirtualKeys::keyName(code), "") << code;
}

// Every code that can be injected comes back as itself, and the table covers
// at least letters, digits, keypad digits and F1-F12.
TEST(VirtualKeys, EveryInjectableCodeRoundTrips)
{
    int mapped = 0;
    for (int code = 0; code < VirtualKeys::count; ++code) {
        int keycode = 0;
        int scancode = 0;
        if (!VirtualKeys::toSdl(code, keycode, scancode))
            continue;
        ++mapped;
        EXPECT_EQ(VirtualKeys::fromSdl(keycode, scancode), code) << code;
        EXPECT_EQ(VirtualKeys::fromSdl(0, scancode), code) << "by position only: " << code;
    }
    EXPECT_GE(mapped, 26 + 10 + 10 + 12 + 30);
}
