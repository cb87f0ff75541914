#pragma once

#include "platform/JoystickReading.h"

#include <array>
#include <cstdint>

// The last reading of a joystick: two axes in -1000..1000 and the flags of
// buttons 0 to 15 (1 pressed, 0 released); beside them the flags of all its
// switches (buttons, hat directions, axis directions, numbered as in
// platform::JoystickReading), when each switch last went down (tick count)
// and how many times it has gone down, and the same for going up again.
// Buttons 0 to 15 are switches 0 to 15.
struct JoystickState {
    static constexpr int buttonCount = 16;
    static constexpr int switchCount = platform::JoystickReading::switchCount;

    std::int32_t axisX = 0;
    std::int32_t axisY = 0;
    std::array<std::uint8_t, buttonCount> buttons{};
    std::array<std::uint8_t, switchCount> switches{};
    std::array<std::uint32_t, switchCount> pressTick{};
    std::array<std::uint32_t, switchCount> pressCount{};
    std::array<std::uint32_t, switchCount> releaseTick{};
    std::array<std::uint32_t, switchCount> releaseCount{};
};
