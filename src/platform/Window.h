#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct SDL_Window;

namespace platform {

// The game's one window with its OpenGL compatibility context (double
// buffered, 16 depth bits, 1 stencil bit), standing in for the Win32 window,
// its device context and the WGL context. It also pumps the window's events,
// translated into the few messages the game's window procedure handles.
class Window {
public:
    struct Settings {
        std::string title;
        int width = 0;
        int height = 0;
        int bitsPerPixel = 0;
        bool fullScreen = false;
        // Never mapped on screen: for tests that only need a GL context.
        bool hidden = false;
        // Full screen by switching the display to the window's size, rather
        // than a window covering the desktop at the desktop's own resolution.
        bool exclusive = false;
    };

    struct Message {
        enum class Type {
            KeyDown,    // virtualKey is the Windows virtual-key code
            KeyUp,
            Close,      // the window's close button, or the process is asked to end
            Minimised,
            Restored,   // restored, maximised or resized; width and height of the client area
            SwitchMode, // posted by postModeSwitch
            Quit,       // posted by postQuit: ends the message pump
        };
        Type type = Type::Quit;
        int virtualKey = 0;
        int width = 0;
        int height = 0;
        // Keys: the tick count (SystemClock) at which the key went down or up.
        std::uint32_t tick = 0;
    };

    // The stand-ins for registering and unregistering the window class:
    // start and stop SDL's video subsystem. The screen saver stays off.
    static bool startVideo();
    static void stopVideo();

    // Keeps every library loaded so far (after a context exists: the GL
    // driver and what it pulled in) in memory until the process ends. SDL
    // unloads the GL library with the last GL window and the driver goes with
    // the X display; allocations they keep for the process would then be
    // reported at exit from an unknown module that no leak suppression names.
    static void keepGlDriverLoaded();

    // True when the display offers a full-screen mode of exactly this size.
    static bool findDisplayMode(int width, int height);

    // Null when the window or its context cannot be made; the reason goes
    // to stderr. A full-screen request that the display refuses, or one for
    // a hidden window, gives a window instead (isFullScreen() then says false).
    static std::unique_ptr<Window> create(const Settings& settings);

    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    bool isFullScreen() const { return fullScreen; }
    // Covers the desktop at its own resolution (no mode switch), or goes
    // back to the window; the context stays. False when the mode stays as it
    // was (refused, or already so).
    bool setDesktopFullScreen(bool on);
    // The drawable area in pixels.
    void drawableSize(int& width, int& height) const;

    // Removes the next message for this window; false when none is waiting.
    bool pollMessage(Message& message);
    // Blocks until an event arrives, without removing it.
    void waitMessage();
    void swapBuffers();

    void postQuit();
    void postModeSwitch();
    // Queues a key event as if the key had been pressed or released on this
    // window at the tick count `tick` (for the autoplay bot and tests). False
    // for unmapped codes.
    bool pushKey(int virtualKey, bool down, std::uint32_t tick);

private:
    Window(SDL_Window* window, void* context, bool fullScreen);

    bool ownsEvent(std::uint32_t windowId) const;
    void notePressTime(const void* systemEvent);
    std::uint32_t takeKeyTick(std::uint32_t sdlTimestamp);

    SDL_Window* window;
    void* context;
    bool fullScreen;
    // The window's place and size before it went to the desktop's full screen.
    struct {
        int x = 0;
        int y = 0;
        int w = 0;
        int h = 0;
    } windowed;
    // The time of the key event SDL delivers next, when a source better than
    // SDL's own stamp told it: the X server's event time, or a pushed key's.
    std::optional<std::uint32_t> nextKeyTick;
};

} // namespace platform
