#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <utility>

using platform::VirtualKeys;

// Both shifts, controls and alts share one code; unknown names and codes
// have none. The codes the game's own keys are named by are the keys of
// those names.
TEST(VirtualKeys, NamesAndWindowsCodesMatch)
{
    const std::pair<const char*, int> named[] = {{"Escape", 27}, {"F1", 112}, {"F12", 123}, {"A", 'A'}, {"Z", 'Z'},
        {"0", '0'}, {"9", '9'}, {"Left", 0x25}, {"Down", 0x28}, {"Keypad 0", 0x60}, {"Keypad 7", 0x67},
        {"Keypad Enter", 0x0D}, {"PageUp", 0x21}, {"Delete", 0x2E}, {";", 0xBA}, {"'", 0xDE}, {"Left Shift", 0x10},
        {"Right Shift", 0x10}, {"Left Ctrl", 0x11}, {"Right Ctrl", 0x11}, {"Left Alt", 0x12}, {"Right Alt", 0x12},
        {"Mute", VirtualKeys::unmapped}, {"no such key", VirtualKeys::unmapped},
        {"Backspace", VirtualKeys::backspace}, {"Return", VirtualKeys::enter}, {"Escape", VirtualKeys::escape},
        {"Keypad 0", VirtualKeys::numpad0}, {"Keypad 9", VirtualKeys::numpad9},
        {"Keypad -", VirtualKeys::numpadMinus}, {"Keypad .", VirtualKeys::numpadPeriod},
        {";", VirtualKeys::semicolon}, {"-", VirtualKeys::minus}, {".", VirtualKeys::period},
        {"F1", VirtualKeys::function(1)}, {"F8", VirtualKeys::function(8)}, {"F12", VirtualKeys::function(12)},
        {"Tab", VirtualKeys::tab}, {"Space", VirtualKeys::space}, {"PageUp", VirtualKeys::pageUp},
        {"PageDown", VirtualKeys::pageDown}, {"Insert", VirtualKeys::insert}};
    for (const auto& [name, code] : named)
        EXPECT_EQ(VirtualKeys::fromKeyName(name), code) << name;
    const std::pair<int, const char*> codes[] = {{27, "Escape"}, {114, "F3"}, {'O', "O"}, {0x69, "Keypad 9"},
        {0x26, "Up"}, {0x0D, "Return"}, {0, ""}, {1, ""}, {0x07, ""}, {0xFF, ""}, {256, ""}, {-1, ""}};
    for (const auto& [code, name] : codes)
        EXPECT_EQ(VirtualKeys::keyName(code), name) << code;
    EXPECT_EQ(VirtualKeys::fromSdl(0, 0), VirtualKeys::unmapped);
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
