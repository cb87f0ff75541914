#pragma once

#include <string>

namespace platform {

// Translates SDL keys to the Windows virtual-key codes that index the game's
// 256 key-down flags, and back (for injected key events). SDL key and scan
// codes are passed as plain ints so that game code need not see SDL.
class VirtualKeys {
public:
    static constexpr int count = 256;
    static constexpr int unmapped = -1;

    // The layout-aware key code decides first (so letters follow the printed
    // key); keys whose code has no entry fall back to their physical position.
    static int fromSdl(int keycode, int scancode);
    // False when the virtual key has no SDL key.
    static bool toSdl(int virtualKey, int& keycode, int& scancode);

    // By SDL's key names ("Escape", "F5", "Keypad 7"), for tools and tests.
    static int fromKeyName(const std::string& name);
    static std::string keyName(int virtualKey);
};

} // namespace platform
