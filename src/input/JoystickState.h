#pragma once

#include <array>
#include <cstdint>

// The last reading of a joystick: two axes in -1000..1000 and the flags of
// buttons 0 to 15 (1 pressed, 0 released); beside the flags, when each button
// last went down (tick count) and how many times it has gone down.
struct JoystickState {
    static constexpr int buttonCount = 16;

    std::int32_t axisX = 0;
    std::int32_t axisY = 0;
    std::array<std::uint8_t, buttonCount> buttons{};
    std::array<std::uint32_t, buttonCount> pressTick{};
    std::array<std::uint32_t, buttonCount> pressCount{};
};
