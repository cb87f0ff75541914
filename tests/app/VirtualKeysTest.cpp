#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <utility>

using platform::VirtualKeys;

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
