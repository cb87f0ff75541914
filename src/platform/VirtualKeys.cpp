#include "platform/VirtualKeys.h"

#include <SDL.h>

#include <array>

namespace platform {
namespace {

struct KeyEntry {
    int virtualKey;
    SDL_Keycode keycode;
    SDL_Scancode scancode;
};

// Windows virtual-key codes used below.
enum : int {
    VkBack = 0x08, VkTab = 0x09, VkClear = 0x0C, VkReturn = 0x0D,
    VkShift = 0x10, VkControl = 0x11, VkMenu = 0x12, VkPause = 0x13, VkCapital = 0x14,
    VkEscape = 0x1B, VkSpace = 0x20, VkPrior = 0x21, VkNext = 0x22, VkEnd = 0x23, VkHome = 0x24,
    VkLeft = 0x25, VkUp = 0x26, VkRight = 0x27, VkDown = 0x28,
    VkSnapshot = 0x2C, VkInsert = 0x2D, VkDelete = 0x2E,
    VkLWin = 0x5B, VkRWin = 0x5C, VkApps = 0x5D,
    VkNumpad0 = 0x60, VkMultiply = 0x6A, VkAdd = 0x6B, VkSubtract = 0x6D, VkDecimal = 0x6E, VkDivide = 0x6F,
    VkF1 = 0x70, VkNumLock = 0x90, VkScroll = 0x91,
    VkOem1 = 0xBA, VkOemPlus = 0xBB, VkOemComma = 0xBC, VkOemMinus = 0xBD, VkOemPeriod = 0xBE,
    VkOem2 = 0xBF, VkOem3 = 0xC0, VkOem4 = 0xDB, VkOem5 = 0xDC, VkOem6 = 0xDD, VkOem7 = 0xDE,
    VkOem102 = 0xE2,
};

// Windows reports both Shift, Control and Alt keys as one code each, and the
// keypad's Enter as Return; the first entry of a code is the one injected.
const std::array fixedKeys = {
    KeyEntry{VkBack, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE},
    KeyEntry{VkTab, SDLK_TAB, SDL_SCANCODE_TAB},
    KeyEntry{VkClear, SDLK_CLEAR, SDL_SCANCODE_CLEAR},
    KeyEntry{VkReturn, SDLK_RETURN, SDL_SCANCODE_RETURN},
    KeyEntry{VkReturn, SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER},
    KeyEntry{VkShift, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT},
    KeyEntry{VkShift, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT},
    KeyEntry{VkControl, SDLK_LCTRL, SDL_SCANCODE_LCTRL},
    KeyEntry{VkControl, SDLK_RCTRL, SDL_SCANCODE_RCTRL},
    KeyEntry{VkMenu, SDLK_LALT, SDL_SCANCODE_LALT},
    KeyEntry{VkMenu, SDLK_RALT, SDL_SCANCODE_RALT},
    KeyEntry{VkPause, SDLK_PAUSE, SDL_SCANCODE_PAUSE},
    KeyEntry{VkCapital, SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK},
    KeyEntry{VkEscape, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE},
    KeyEntry{VkSpace, SDLK_SPACE, SDL_SCANCODE_SPACE},
    KeyEntry{VkPrior, SDLK_PAGEUP, SDL_SCANCODE_PAGEUP},
    KeyEntry{VkNext, SDLK_PAGEDOWN, SDL_SCANCODE_PAGEDOWN},
    KeyEntry{VkEnd, SDLK_END, SDL_SCANCODE_END},
    KeyEntry{VkHome, SDLK_HOME, SDL_SCANCODE_HOME},
    KeyEntry{VkLeft, SDLK_LEFT, SDL_SCANCODE_LEFT},
    KeyEntry{VkUp, SDLK_UP, SDL_SCANCODE_UP},
    KeyEntry{VkRight, SDLK_RIGHT, SDL_SCANCODE_RIGHT},
    KeyEntry{VkDown, SDLK_DOWN, SDL_SCANCODE_DOWN},
    KeyEntry{VkSnapshot, SDLK_PRINTSCREEN, SDL_SCANCODE_PRINTSCREEN},
    KeyEntry{VkInsert, SDLK_INSERT, SDL_SCANCODE_INSERT},
    KeyEntry{VkDelete, SDLK_DELETE, SDL_SCANCODE_DELETE},
    KeyEntry{VkLWin, SDLK_LGUI, SDL_SCANCODE_LGUI},
    KeyEntry{VkRWin, SDLK_RGUI, SDL_SCANCODE_RGUI},
    KeyEntry{VkApps, SDLK_APPLICATION, SDL_SCANCODE_APPLICATION},
    KeyEntry{VkMultiply, SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY},
    KeyEntry{VkAdd, SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS},
    KeyEntry{VkSubtract, SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS},
    KeyEntry{VkDecimal, SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD},
    KeyEntry{VkDivide, SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE},
    KeyEntry{VkNumLock, SDLK_NUMLOCKCLEAR, SDL_SCANCODE_NUMLOCKCLEAR},
    KeyEntry{VkScroll, SDLK_SCROLLLOCK, SDL_SCANCODE_SCROLLLOCK},
    KeyEntry{VkOem1, SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON},
    // Layouts with a key of its own for the colon (French) type it here too.
    KeyEntry{VkOem1, SDLK_COLON, SDL_SCANCODE_SEMICOLON},
    KeyEntry{VkOemPlus, SDLK_EQUALS, SDL_SCANCODE_EQUALS},
    KeyEntry{VkOemComma, SDLK_COMMA, SDL_SCANCODE_COMMA},
    KeyEntry{VkOemMinus, SDLK_MINUS, SDL_SCANCODE_MINUS},
    KeyEntry{VkOemPeriod, SDLK_PERIOD, SDL_SCANCODE_PERIOD},
    KeyEntry{VkOem2, SDLK_SLASH, SDL_SCANCODE_SLASH},
    KeyEntry{VkOem3, SDLK_BACKQUOTE, SDL_SCANCODE_GRAVE},
    KeyEntry{VkOem4, SDLK_LEFTBRACKET, SDL_SCANCODE_LEFTBRACKET},
    KeyEntry{VkOem5, SDLK_BACKSLASH, SDL_SCANCODE_BACKSLASH},
    KeyEntry{VkOem6, SDLK_RIGHTBRACKET, SDL_SCANCODE_RIGHTBRACKET},
    KeyEntry{VkOem7, SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE},
    KeyEntry{VkOem102, SDLK_LESS, SDL_SCANCODE_NONUSBACKSLASH},
};

constexpr int letterCount = 26;
constexpr int functionKeyCount = 12;

// Letters, digits, keypad digits and F1-F12 follow from their ranges.
bool rangeFromKeycode(SDL_Keycode keycode, int& virtualKey)
{
    if (keycode >= SDLK_a && keycode <= SDLK_z)
        virtualKey = 'A' + (keycode - SDLK_a);
    else if (keycode >= SDLK_0 && keycode <= SDLK_9)
        virtualKey = '0' + (keycode - SDLK_0);
    else if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9)
        virtualKey = VkNumpad0 + 1 + (keycode - SDLK_KP_1);
    else if (keycode == SDLK_KP_0)
        virtualKey = VkNumpad0;
    else if (keycode >= SDLK_F1 && keycode <= SDLK_F12)
        virtualKey = VkF1 + (keycode - SDLK_F1);
    else
        return false;
    return true;
}

bool rangeFromScancode(SDL_Scancode scancode, int& virtualKey)
{
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        virtualKey = 'A' + (scancode - SDL_SCANCODE_A);
    else if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        virtualKey = '1' + (scancode - SDL_SCANCODE_1);
    else if (scancode == SDL_SCANCODE_0)
        virtualKey = '0';
    else if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
        virtualKey = VkNumpad0 + 1 + (scancode - SDL_SCANCODE_KP_1);
    else if (scancode == SDL_SCANCODE_KP_0)
        virtualKey = VkNumpad0;
    else if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
        virtualKey = VkF1 + (scancode - SDL_SCANCODE_F1);
    else
        return false;
    return true;
}

bool rangeToSdl(int virtualKey, SDL_Keycode& keycode, SDL_Scancode& scancode)
{
    if (virtualKey >= 'A' && virtualKey < 'A' + letterCount) {
        keycode = SDLK_a + (virtualKey - 'A');
        scancode = static_cast<SDL_Scancode>(SDL_SCANCODE_A + (virtualKey - 'A'));
    } else if (virtualKey == '0') {
        keycode = SDLK_0;
        scancode = SDL_SCANCODE_0;
    } else if (virtualKey >= '1' && virtualKey <= '9') {
        keycode = SDLK_1 + (virtualKey - '1');
        scancode = static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (virtualKey - '1'));
    } else if (virtualKey == VkNumpad0) {
        keycode = SDLK_KP_0;
        scancode = SDL_SCANCODE_KP_0;
    } else if (virtualKey > VkNumpad0 && virtualKey <= VkNumpad0 + 9) {
        keycode = SDLK_KP_1 + (virtualKey - VkNumpad0 - 1);
        scancode = static_cast<SDL_Scancode>(SDL_SCANCODE_KP_1 + (virtualKey - VkNumpad0 - 1));
    } else if (virtualKey >= VkF1 && virtualKey < VkF1 + functionKeyCount) {
        keycode = SDLK_F1 + (virtualKey - VkF1);
        scancode = static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + (virtualKey - VkF1));
    } else {
        return false;
    }
    return true;
}

} // namespace

int VirtualKeys::fromSdl(int keycode, int scancode)
{
    int virtualKey = unmapped;
    if (rangeFromKeycode(keycode, virtualKey))
        return virtualKey;
    for (const KeyEntry& entry : fixedKeys) {
        if (entry.keycode == keycode)
            return entry.virtualKey;
    }
    if (rangeFromScancode(static_cast<SDL_Scancode>(scancode), virtualKey))
        return virtualKey;
    for (const KeyEntry& entry : fixedKeys) {
        if (entry.scancode == scancode)
            return entry.virtualKey;
    }
    return unmapped;
}

bool VirtualKeys::toSdl(int virtualKey, int& keycode, int& scancode)
{
    SDL_Keycode sdlKey = SDLK_UNKNOWN;
    SDL_Scancode sdlScan = SDL_SCANCODE_UNKNOWN;
    if (!rangeToSdl(virtualKey, sdlKey, sdlScan)) {
        const KeyEntry* found = nullptr;
        for (const KeyEntry& entry : fixedKeys) {
            if (entry.virtualKey == virtualKey) {
                found = &entry;
                break;
            }
        }
        if (!found)
            return false;
        sdlKey = found->keycode;
        sdlScan = found->scancode;
    }
    keycode = sdlKey;
    scancode = sdlScan;
    return true;
}

// Scan code names are SDL's fixed table; they need no keyboard layout.
int VirtualKeys::fromKeyName(const std::string& name)
{
    const SDL_Scancode scancode = SDL_GetScancodeFromName(name.c_str());
    if (scancode == SDL_SCANCODE_UNKNOWN)
        return unmapped;
    return fromSdl(SDLK_UNKNOWN, scancode);
}

std::string VirtualKeys::keyName(int virtualKey)
{
    int keycode = 0;
    int scancode = 0;
    if (!toSdl(virtualKey, keycode, scancode))
        return {};
    return SDL_GetScancodeName(static_cast<SDL_Scancode>(scancode));
}

} // namespace platform
