#pragma once

#include <array>
#include <cstdint>

namespace platform {

// One reading of a game controller, shaped like DirectInput's extended
// joystick state: two axes scaled to -1000..1000 and the button bytes, where
// the high bit (0x80) marks a pressed button; and when each button went down.
struct JoystickReading {
    static constexpr int maximumButtons = 128;
    static constexpr std::int32_t axisMinimum = -1000;
    static constexpr std::int32_t axisMaximum = 1000;
    static constexpr std::uint8_t pressed = 0x80;

    std::int32_t x = 0;
    std::int32_t y = 0;
    std::array<std::uint8_t, maximumButtons> buttons{};
    // Beside each button: the tick count at which it last went down, and
    // how many times it has gone down since the device was opened.
    std::array<std::uint32_t, maximumButtons> pressTick{};
    std::array<std::uint32_t, maximumButtons> pressCount{};
};

} // namespace platform
