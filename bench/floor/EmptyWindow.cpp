// flarevox-empty-window: the floor that the game's start-up is measured
// against. Opens the game's window the way the game does (1024×768, windowed),
// shows one cleared frame and ends, noting its steps like the game with
// FLAREVOX_STARTUP_TIMES.
#include "app/StartupTimes.h"
#include "platform/Window.h"

#include <GL/gl.h>

int main()
{
    StartupTimes::enableFromEnvironment();
    StartupTimes::mark("main");
    if (!platform::Window::startVideo())
        return 1;
    auto window = platform::Window::create({"Flarevox", 1024, 768, 32, false, false});
    if (!window)
        return 1;
    StartupTimes::mark("window");
    glViewport(0, 0, 1024, 768);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    window->swapBuffers();
    StartupTimes::frameShown();
    window.reset();
    platform::Window::stopVideo();
    return 0;
}
