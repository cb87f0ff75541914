#include "app/Application.h"

#include "app/Letterbox.h"
#include "app/MainLoop.h"
#include "app/StartupTimes.h"
#include "core/ConfigFileParser.h"
#include "platform/Dialog.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

bool Application::keepRunning = false;
bool Application::wantFullScreen = false;
bool Application::exclusiveFullScreen = false;
bool Application::barsShown = false;
MainLoop* Application::myMainLoop = nullptr;

namespace {

constexpr double fieldOfView = 45.0;
constexpr double nearPlane = 1.0;
constexpr double farPlane = 100.0;
constexpr long maximumFrameRateCap = 1000;

// FLAREVOX_MAX_FPS=N: the shortest frame that holds the rate at N, or zero
// when the switch is off or not a number from 1 to 1000.
std::chrono::steady_clock::duration frameRateCap()
{
    const char* value = std::getenv("FLAREVOX_MAX_FPS");
    if (!value || *value == '\0')
        return {};
    char* end = nullptr;
    const long fps = std::strtol(value, &end, 10);
    if (*end != '\0' || fps < 1 || fps > maximumFrameRateCap)
        return {};
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(1.0 / fps));
}

void showErrorBox(const char* text)
{
    platform::Dialog::show("Error", text, platform::Dialog::Icon::Exclamation);
}

std::string valueOf(const ConfigFileParser::Section& section, const std::string& key)
{
    const auto found = section.find(key);
    return found == section.end() ? std::string{} : found->second;
}

} // namespace

int Application::run()
{
    readWindowSettings();
    shortestFrame = frameRateCap();
    record.keyStates = keyStates.data();
    record.keyPresses = &keyPresses;
    record.application = &application;
    keyStates.fill(0);

    if (!registerAppClass(application)) {
        showErrorBox("Error Registering Window Class!");
        return -1;
    }
    keepRunning = true;
    wantFullScreen = startFullScreen;
    while (keepRunning) {
        record.fullScreen = wantFullScreen;
        if (!openWindow(record)) {
            showErrorBox("Error Creating OpenGL Window");
            keepRunning = false;
            continue;
        }
        StartupTimes::mark("window");
        runMainLoop();
        closeWindow(record);
    }
    platform::Window::stopVideo();
    return 0;
}

// The first configuration reader of the run; the registry owns it and the
// first main loop's teardown ends it, so the values are copied out here.
void Application::readWindowSettings()
{
    auto* config = new ConfigFileParser();
    config->parse("Conf/global.cfg");
    const ConfigFileParser::Section window = config->getSection("Window");
    record.title = valueOf(window, "Title");
    record.width = ConfigFileParser::toInt(valueOf(window, "Width"));
    record.height = ConfigFileParser::toInt(valueOf(window, "Height"));
    record.bitsPerPixel = ConfigFileParser::toInt(valueOf(window, "BitsPerPixel"));
    startFullScreen = ConfigFileParser::toInt(valueOf(window, "StartFullscreen")) != 0;
    const std::string mode = valueOf(window, "FullscreenMode");
    exclusiveFullScreen = mode == "exclusive";
    // Read before the log exists: an odd value is told on stderr.
    if (!mode.empty() && mode != "exclusive" && mode != "desktop")
        std::fprintf(stderr, "Window: FullscreenMode '%s' is neither desktop nor exclusive, desktop is used\n",
                     mode.c_str());
}

void Application::runMainLoop()
{
    myMainLoop = new MainLoop();
    if (myMainLoop->initialize(&record, keyStates.data()))
        pumpMessages(*myMainLoop);
    else
        requestQuit(record);
    myMainLoop->deinitialize();
    delete myMainLoop;
    myMainLoop = nullptr;
}

void Application::pumpMessages(MainLoop& mainLoop)
{
    platform::Window::Message message;
    for (;;) {
        if (record.window->pollMessage(message)) {
            if (message.type == platform::Window::Message::Type::Quit)
                return;
            handleMessage(record, message);
        } else if (!record.visible) {
            record.window->waitMessage();
        } else {
            mainLoop.update();
            clearBars();
            mainLoop.draw();
            if (frameObserver)
                frameObserver(record, mainLoop);
            record.window->swapBuffers();
            holdFrameRate();
            if (StartupTimes::frameShown())
                requestQuit(record);
        }
    }
}

// Sleeps out the rest of the frame when the rate is capped; key events that
// arrive meanwhile are pumped before the next frame.
void Application::holdFrameRate()
{
    if (shortestFrame == std::chrono::steady_clock::duration::zero())
        return;
    std::this_thread::sleep_until(frameStart + shortestFrame);
    frameStart = std::chrono::steady_clock::now();
}

void Application::handleMessage(WindowRecord& record, const platform::Window::Message& message)
{
    using Type = platform::Window::Message::Type;
    switch (message.type) {
    case Type::KeyDown:
    case Type::KeyUp:
        if (record.keyStates && message.virtualKey >= 0 && message.virtualKey < static_cast<int>(KeyStates{}.size()))
            setKey(record, static_cast<std::size_t>(message.virtualKey), message.type == Type::KeyDown, message.tick);
        break;
    case Type::Close:
        requestQuit(record);
        break;
    case Type::Minimised:
        record.visible = false;
        break;
    case Type::Restored:
        record.visible = true;
        fitViewport(record, message.width, message.height);
        break;
    case Type::SwitchMode:
        if (!exclusiveFullScreen) {
            switchDesktopFullScreen(record);
            break;
        }
        wantFullScreen = !wantFullScreen;
        if (record.window)
            record.window->postQuit();
        break;
    case Type::Quit:
        break;
    }
}

// The running window goes to full screen or back; the game goes on. A
// refusal leaves the mode as it was.
void Application::switchDesktopFullScreen(WindowRecord& record)
{
    if (!record.window || !record.window->setDesktopFullScreen(!record.fullScreen))
        return;
    record.fullScreen = !record.fullScreen;
    wantFullScreen = record.fullScreen;
    int width = 0;
    int height = 0;
    record.window->drawableSize(width, height);
    fitViewport(record, width, height);
}

void Application::setKey(WindowRecord& record, std::size_t code, bool down, std::uint32_t tick)
{
    const bool wasDown = record.keyStates[code] != 0;
    record.keyStates[code] = down ? 1 : 0;
    if (!record.keyPresses || down == wasDown)
        return;
    if (down) {
        record.keyPresses->tick[code] = tick;
        ++record.keyPresses->count[code];
    } else {
        record.keyPresses->releaseTick[code] = tick;
        ++record.keyPresses->releaseCount[code];
    }
}

void Application::requestQuit(WindowRecord& record)
{
    if (record.window)
        record.window->postQuit();
    keepRunning = false;
}

void Application::requestModeSwitch(WindowRecord& record)
{
    if (record.window)
        record.window->postModeSwitch();
}

// With bars, drawing is cut to the picture: text placed near an edge would
// otherwise run on into the bars.
void Application::fitViewport(const WindowRecord& record, int width, int height)
{
    const Letterbox::Viewport fitted = Letterbox::fit(record.width, record.height, width, height);
    glViewport(fitted.x, fitted.y, fitted.width, fitted.height);
    glScissor(fitted.x, fitted.y, fitted.width, fitted.height);
    barsShown = fitted.width < width || fitted.height < height;
    if (barsShown)
        glEnable(GL_SCISSOR_TEST);
    else
        glDisable(GL_SCISSOR_TEST);
    setProjection(fitted.width, fitted.height);
}

// The frame's own clear reaches only the picture; the bars are cleared here.
void Application::clearBars()
{
    if (!barsShown)
        return;
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
}

// A zero height (a window shrunk to its title bar) would make the aspect
// ratio infinite; it is taken as one pixel.
void Application::resizeViewport(int width, int height)
{
    if (height <= 0)
        height = 1;
    glViewport(0, 0, width, height);
    glDisable(GL_SCISSOR_TEST);
    barsShown = false;
    setProjection(width, height);
}

void Application::setProjection(int width, int height)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, static_cast<double>(width) / static_cast<double>(height), nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Only the exclusive mode switches the display, and only it can fail to.
bool Application::openWindow(WindowRecord& record)
{
    if (record.fullScreen && exclusiveFullScreen && !platform::Window::findDisplayMode(record.width, record.height)) {
        showErrorBox("Mode Switch Failed.\nRunning In Windowed Mode.");
        record.fullScreen = false;
    }
    record.window = platform::Window::create({record.title, record.width, record.height, record.bitsPerPixel,
                                              record.fullScreen, false, exclusiveFullScreen});
    if (!record.window)
        return false;
    if (record.fullScreen && !record.window->isFullScreen()) {
        if (exclusiveFullScreen)
            showErrorBox("Mode Switch Failed.\nRunning In Windowed Mode.");
        record.fullScreen = false;
    }
    record.visible = true;
    int width = 0;
    int height = 0;
    record.window->drawableSize(width, height);
    fitViewport(record, width, height);
    if (record.keyStates)
        std::fill_n(record.keyStates, KeyStates{}.size(), 0);
    return true;
}

bool Application::closeWindow(WindowRecord& record)
{
    record.window.reset();
    return true;
}

bool Application::registerAppClass(AppRecord&)
{
    if (platform::Window::startVideo())
        return true;
    showErrorBox("RegisterClassEx Failed!");
    return false;
}
