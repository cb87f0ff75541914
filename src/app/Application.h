#pragma once

#include "app/WindowRecord.h"

#include <chrono>
#include <functional>

class MainLoop;

// The process entry: reads the window settings, then runs the outer loop that
// opens the window, runs a main loop on it until its message pump ends, tears
// both down, and starts over in the other mode after a display-mode switch.
class Application {
public:
    // Called after every frame's drawing, before the buffers are swapped:
    // the frame capture, the autoplay bot and tests hook in here.
    using FrameObserver = std::function<void(WindowRecord& record, MainLoop& mainLoop)>;

    // Returns the process exit code: 0, or -1 when video cannot start.
    int run();
    void setFrameObserver(FrameObserver observer) { frameObserver = std::move(observer); }

    // The window operations, also used by the main loop's key commands.
    static void requestQuit(WindowRecord& record);
    static void requestModeSwitch(WindowRecord& record);
    static void resizeViewport(int width, int height);
    // Sets the viewport to the largest area of the configured window's shape
    // that fits a drawable area of this size, centred, black bars around it.
    static void fitViewport(const WindowRecord& record, int width, int height);
    static bool openWindow(WindowRecord& record);
    static bool closeWindow(WindowRecord& record);
    static bool registerAppClass(AppRecord& application);
    // The window procedure: what each translated window message does.
    static void handleMessage(WindowRecord& record, const platform::Window::Message& message);
    // Sets a key's flag; a key going down also notes its press time.
    static void setKey(WindowRecord& record, std::size_t code, bool down, std::uint32_t tick);

    // True while the outer loop should go on.
    static bool keepRunning;
    // The mode of the next window; flipped by the display-mode switch.
    static bool wantFullScreen;
    // "FullscreenMode = exclusive": full screen switches the display to the
    // window's size, and a switch restarts the game in a new window. Else
    // full screen covers the desktop at its own resolution and F5 switches
    // the running window.
    static bool exclusiveFullScreen;

    // The running main loop, or null between main loops.
    static MainLoop* myMainLoop;

private:
    void readWindowSettings();
    static void switchDesktopFullScreen(WindowRecord& record);
    static void setProjection(int width, int height);
    static void clearBars();
    // The viewport leaves black bars around the picture.
    static bool barsShown;
    void runMainLoop();
    void pumpMessages(MainLoop& mainLoop);
    void holdFrameRate();

    AppRecord application;
    WindowRecord record;
    KeyStates keyStates{};
    KeyPresses keyPresses{};
    bool startFullScreen = false;
    FrameObserver frameObserver;
    // FLAREVOX_MAX_FPS: frames no shorter than this, for testing (zero: off).
    std::chrono::steady_clock::duration shortestFrame{};
    std::chrono::steady_clock::time_point frameStart;
};
