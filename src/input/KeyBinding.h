#pragma once

#include <cstdint>

// One key or button bound to a main-loop command or a player action.
struct KeyBinding {
    std::uint8_t player = 0; // 1 or 2 for a player action, 0 for a main-loop command
    std::uint8_t code = 0;   // virtual-key code, or joystick button 0 to 15
    std::uint8_t action = 0; // PlayerAction 1 to 8, 0 for a main-loop command
    std::uint8_t target = 0; // InputHandler::targetMainLoop or targetPlayerAction
    std::uint8_t media = 0;  // InputHandler::mediaKeyboard or mediaJoystick
};
