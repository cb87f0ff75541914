#include "platform/Window.h"

#include "platform/SystemClock.h"
#include "platform/VirtualKeys.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <link.h>
#include <optional>
#include <string>
#include <vector>

namespace platform {
namespace {

constexpr int maximumSide = 16384;
constexpr int depthBits = 16;
constexpr int stencilBits = 1;

// Event types for the messages the game posts to its own window: quit, the
// display-mode switch, and the press time of the key event that follows.
std::uint32_t quitEventType = 0;
std::uint32_t switchModeEventType = 0;
std::uint32_t keyTimeEventType = 0;

void reportFailure(const char* what)
{
    std::fprintf(stderr, "Window: %s: %s\n", what, SDL_GetError());
    std::fflush(stderr);
}

std::optional<SDL_DisplayMode> exactDisplayMode(int width, int height)
{
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == width && mode.h == height)
            return mode;
    }
    return std::nullopt;
}

// Minimum channel sizes for the requested colour depth; SDL picks the
// closest visual that has at least these.
void requestPixelFormat(int bitsPerPixel)
{
    const bool trueColour = bitsPerPixel >= 24;
    const bool highColour = bitsPerPixel >= 15;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, trueColour ? 8 : highColour ? 5 : 0);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, trueColour ? 8 : highColour ? 5 : 0);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, trueColour ? 8 : highColour ? 5 : 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencilBits);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

bool switchToFullScreen(SDL_Window* window, int width, int height)
{
    const auto mode = exactDisplayMode(width, height);
    if (!mode)
        return false;
    if (SDL_SetWindowDisplayMode(window, &*mode) != 0 || SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
        reportFailure("full-screen mode refused");
        SDL_SetWindowFullscreen(window, 0);
        return false;
    }
    return true;
}

Window::Message keyMessage(const SDL_KeyboardEvent& key, bool& translated)
{
    Window::Message message;
    message.type = key.type == SDL_KEYDOWN ? Window::Message::Type::KeyDown : Window::Message::Type::KeyUp;
    message.virtualKey = VirtualKeys::fromSdl(key.keysym.sym, key.keysym.scancode);
    // Auto-repeat adds nothing to a key that is already down.
    translated = message.virtualKey != VirtualKeys::unmapped && !key.repeat;
    return message;
}

} // namespace

bool Window::startVideo()
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        reportFailure("video start failed");
        return false;
    }
    if (quitEventType == 0) {
        const std::uint32_t first = SDL_RegisterEvents(3);
        if (first == static_cast<std::uint32_t>(-1)) {
            reportFailure("no user events left");
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return false;
        }
        quitEventType = first;
        switchModeEventType = first + 1;
        keyTimeEventType = first + 2;
    }
    // The raw X events carry the server's time of each key press.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_DisableScreenSaver();
    return true;
}

void Window::stopVideo()
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void Window::keepGlDriverLoaded()
{
    // Collected first: dlopen is not called while the loader's list is walked.
    std::vector<std::string> loaded;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* names) {
            if (info->dlpi_name && info->dlpi_name[0] != '\0')
                static_cast<std::vector<std::string>*>(names)->emplace_back(info->dlpi_name);
            return 0;
        },
        &loaded);
    for (const std::string& name : loaded)
        dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

bool Window::findDisplayMode(int width, int height)
{
    return exactDisplayMode(width, height).has_value();
}

std::unique_ptr<Window> Window::create(const Settings& settings)
{
    if (settings.width < 1 || settings.height < 1 || settings.width > maximumSide || settings.height > maximumSide) {
        std::fprintf(stderr, "Window: size %dx%d is out of range\n", settings.width, settings.height);
        return nullptr;
    }
    requestPixelFormat(settings.bitsPerPixel);
    SDL_Window* window = SDL_CreateWindow(settings.title.c_str(), 0, 0, settings.width, settings.height,
        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE);
    if (!window) {
        reportFailure("window creation failed");
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        reportFailure("OpenGL context creation failed");
        SDL_DestroyWindow(window);
        return nullptr;
    }
    if (SDL_GL_MakeCurrent(window, context) != 0) {
        reportFailure("OpenGL context cannot be made current");
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        return nullptr;
    }
    keepGlDriverLoaded();
    if (!settings.hidden)
        SDL_ShowWindow(window);
    // Only a shown window switches at once: SDL postpones the switch of a
    // hidden one and then drops its failure.
    const bool wanted = settings.fullScreen && !settings.hidden;
    if (wanted && !settings.exclusive) {
        auto created = std::unique_ptr<Window>(new Window(window, context, false));
        created->setDesktopFullScreen(true);
        return created;
    }
    const bool fullScreen = wanted && switchToFullScreen(window, settings.width, settings.height);
    if (fullScreen)
        SDL_ShowCursor(SDL_DISABLE);
    return std::unique_ptr<Window>(new Window(window, context, fullScreen));
}

Window::Window(SDL_Window* window, void* context, bool fullScreen)
    : window(window)
    , context(context)
    , fullScreen(fullScreen)
{
}

Window::~Window()
{
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    // Destroying a full-screen window gives the desktop its mode back.
    SDL_DestroyWindow(window);
    if (fullScreen)
        SDL_ShowCursor(SDL_ENABLE);
}

// The window is also placed over the whole display first: a window manager
// does that for a full-screen window, but without one (a kiosk, a virtual X
// server) the window would keep its size while SDL takes it for the desktop's.
bool Window::setDesktopFullScreen(bool on)
{
    if (on && !fullScreen) {
        SDL_GetWindowPosition(window, &windowed.x, &windowed.y);
        SDL_GetWindowSize(window, &windowed.w, &windowed.h);
        SDL_Rect display{};
        if (SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window), 0), &display) == 0) {
            SDL_SetWindowPosition(window, display.x, display.y);
            SDL_SetWindowSize(window, display.w, display.h);
        }
    }
    if (SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        reportFailure(on ? "full screen refused" : "leaving full screen refused");
        on = false;
    }
    if (!on && windowed.w > 0 && windowed.h > 0) {
        SDL_SetWindowSize(window, windowed.w, windowed.h);
        SDL_SetWindowPosition(window, windowed.x, windowed.y);
    }
    const bool switched = on != fullScreen;
    fullScreen = on;
    SDL_ShowCursor(on ? SDL_DISABLE : SDL_ENABLE);
    return switched;
}

void Window::drawableSize(int& width, int& height) const
{
    SDL_GL_GetDrawableSize(window, &width, &height);
}

bool Window::ownsEvent(std::uint32_t windowId) const
{
    return windowId == 0 || windowId == SDL_GetWindowID(window);
}

bool Window::pollMessage(Message& message)
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        bool translated = false;
        switch (event.type) {
        case SDL_QUIT:
            message = Message{Message::Type::Close};
            translated = true;
            break;
        case SDL_SYSWMEVENT:
            notePressTime(event.syswm.msg);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const std::uint32_t tick = takeKeyTick(event.key.timestamp);
            if (ownsEvent(event.key.windowID)) {
                message = keyMessage(event.key, translated);
                message.tick = tick;
            }
            break;
        }
        case SDL_WINDOWEVENT:
            if (!ownsEvent(event.window.windowID))
                break;
            translated = true;
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                message = Message{Message::Type::Close};
            } else if (event.window.event == SDL_WINDOWEVENT_MINIMIZED) {
                message = Message{Message::Type::Minimised};
            } else if (event.window.event == SDL_WINDOWEVENT_RESTORED || event.window.event == SDL_WINDOWEVENT_MAXIMIZED
                || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                message = Message{Message::Type::Restored};
                SDL_GL_GetDrawableSize(window, &message.width, &message.height);
            } else {
                translated = false;
            }
            break;
        default:
            // Messages posted to an earlier window of this process are dropped.
            if (event.type == quitEventType && ownsEvent(event.user.windowID)) {
                message = Message{Message::Type::Quit};
                translated = true;
            } else if (event.type == switchModeEventType && ownsEvent(event.user.windowID)) {
                message = Message{Message::Type::SwitchMode};
                translated = true;
            } else if (event.type == keyTimeEventType) {
                nextKeyTick = static_cast<std::uint32_t>(event.user.code);
            }
            break;
        }
        if (translated)
            return true;
    }
    return false;
}

// X stamps every key event with the server's monotonic milliseconds at the
// moment the key went down, long before SDL pumps it at the next frame.
void Window::notePressTime(const void* systemEvent)
{
    const auto* message = static_cast<const SDL_SysWMmsg*>(systemEvent);
#if defined(SDL_VIDEO_DRIVER_X11)
    if (message && message->subsystem == SDL_SYSWM_X11) {
        const XEvent& event = message->msg.x11.event;
        if (event.type == KeyPress || event.type == KeyRelease)
            nextKeyTick = SystemClock::fromMonotonicMs(static_cast<std::uint32_t>(event.xkey.time));
    }
#else
    (void)message;
#endif
}

// Without a better source, SDL's stamp: when it pumped the event, in its own
// milliseconds since start.
std::uint32_t Window::takeKeyTick(std::uint32_t sdlTimestamp)
{
    const std::uint32_t sinceStamp = SDL_GetTicks() - sdlTimestamp;
    const std::uint32_t tick = nextKeyTick.value_or(SystemClock::tickCount() - sinceStamp);
    nextKeyTick.reset();
    return tick;
}

void Window::waitMessage()
{
    SDL_WaitEvent(nullptr);
}

void Window::swapBuffers()
{
    SDL_GL_SwapWindow(window);
}

void Window::postQuit()
{
    SDL_Event event{};
    event.type = quitEventType;
    event.user.windowID = SDL_GetWindowID(window);
    SDL_PushEvent(&event);
}

void Window::postModeSwitch()
{
    SDL_Event event{};
    event.type = switchModeEventType;
    event.user.windowID = SDL_GetWindowID(window);
    SDL_PushEvent(&event);
}

bool Window::pushKey(int virtualKey, bool down, std::uint32_t tick)
{
    int keycode = 0;
    int scancode = 0;
    if (!VirtualKeys::toSdl(virtualKey, keycode, scancode))
        return false;
    SDL_Event time{};
    time.type = keyTimeEventType;
    time.user.windowID = SDL_GetWindowID(window);
    time.user.code = static_cast<Sint32>(tick);
    if (SDL_PushEvent(&time) != 1)
        return false;
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = SDL_GetWindowID(window);
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = keycode;
    event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    return SDL_PushEvent(&event) == 1;
}

} // namespace platform
