#pragma once

#include "input/KeyPresses.h"
#include "platform/Window.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

// The 256 key-down flags, indexed by Windows virtual-key code (1 down, 0 up).
using KeyStates = std::array<std::uint8_t, 256>;

// The application record: what the window class was registered under.
struct AppRecord {
    std::string className = "OpenGL";
};

// The window record the process entry keeps and hands to the main loop.
// The platform window stands in for the window, device context and
// rendering context handles; it is null while there is no window.
struct WindowRecord {
    std::uint8_t* keyStates = nullptr;
    KeyPresses* keyPresses = nullptr;
    std::unique_ptr<platform::Window> window;
    AppRecord* application = nullptr;
    std::string title;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    bool fullScreen = false;
    bool visible = false;
};
