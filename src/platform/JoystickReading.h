#pragma once

#include <array>
#include <cstdint>

namespace platform {

// One reading of a game controller, shaped like DirectInput's extended
// joystick state: two axes scaled to -1000..1000 and the bytes of its
// switches, where the high bit (0x80) marks one that is down; and when each
// switch went down. The switches are the buttons, then the four directions
// of each hat (up, right, down, left), then the two directions of each axis
// (+, -): an axis direction is down once the axis has gone half its way from
// rest to that end, and up again only when it is back within a quarter, so
// that an axis shaking about one point does not press over and over.
struct JoystickReading {
    static constexpr int maximumButtons = 128;
    static constexpr int maximumHats = 4;
    static constexpr int maximumAxes = 16;
    static constexpr int hatDirections = 4;
    static constexpr int firstHatSwitch = maximumButtons;
    static constexpr int firstAxisSwitch = firstHatSwitch + maximumHats * hatDirections;
    static constexpr int switchCount = firstAxisSwitch + maximumAxes * 2;
    static constexpr std::int32_t axisMinimum = -1000;
    static constexpr std::int32_t axisMaximum = 1000;
    static constexpr std::uint8_t pressed = 0x80;

    // Hat directions in the order up, right, down, left (0 to 3).
    static constexpr int hatSwitch(int hat, int direction) { return firstHatSwitch + hat * hatDirections + direction; }
    static constexpr int axisSwitch(int axis, bool positive) { return firstAxisSwitch + axis * 2 + (positive ? 0 : 1); }

    std::int32_t x = 0;
    std::int32_t y = 0;
    std::array<std::uint8_t, switchCount> switches{};
    // Beside each switch: the tick count at which it last went down, and
    // how many times it has gone down since the device was opened; the same
    // for going up again.
    std::array<std::uint32_t, switchCount> pressTick{};
    std::array<std::uint32_t, switchCount> pressCount{};
    std::array<std::uint32_t, switchCount> releaseTick{};
    std::array<std::uint32_t, switchCount> releaseCount{};
};

} // namespace platform
