#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Translates SDL keys to the Windows virtual-key codes that index the game's
// 256 key-down flags, and back (for injected key events). SDL key and scan
// codes are passed as plain ints so that game code need not see SDL.
class VirtualKeys {
public:
    static constexpr int count = 256;
    static constexpr int unmapped = -1;

    // The codes of the keys the game itself gives a meaning to.
    static constexpr std::uint8_t backspace = 0x08;
    static constexpr std::uint8_t tab = 0x09;
    static constexpr std::uint8_t enter = 0x0D;
    static constexpr std::uint8_t pause = 0x13;
    static constexpr std::uint8_t escape = 0x1B;
    static constexpr std::uint8_t space = 0x20;
    static constexpr std::uint8_t pageUp = 0x21;
    static constexpr std::uint8_t pageDown = 0x22;
    static constexpr std::uint8_t insert = 0x2D;
    static constexpr std::uint8_t numpad0 = 0x60;
    static constexpr std::uint8_t numpad9 = 0x69;
    static constexpr std::uint8_t numpadPlus = 0x6B;
    static constexpr std::uint8_t numpadMinus = 0x6D;
    static constexpr std::uint8_t numpadPeriod = 0x6E;
    static constexpr std::uint8_t semicolon = 0xBA;
    static constexpr std::uint8_t plus = 0xBB;
    static constexpr std::uint8_t comma = 0xBC;
    static constexpr std::uint8_t minus = 0xBD;
    static constexpr std::uint8_t period = 0xBE;
    // F1 to F12.
    static constexpr std::uint8_t function(int number) { return static_cast<std::uint8_t>(0x6F + number); }

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
