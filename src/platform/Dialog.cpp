#include "platform/Dialog.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

Dialog::Capture& currentCapture()
{
    static Dialog::Capture capture;
    return capture;
}

bool displayAvailable()
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (display && *display) || (wayland && *wayland);
}

void printToStderr(const std::string& title, const std::string& text)
{
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
}

} // namespace

bool Dialog::dialogsDisabled()
{
    const char* flag = std::getenv("FLAREVOX_NO_DIALOGS");
    return (flag && std::strcmp(flag, "0") != 0 && *flag) || !displayAvailable();
}

void Dialog::show(const std::string& title, const std::string& text, Icon icon)
{
    if (const auto& capture = currentCapture()) {
        capture(title, text);
        return;
    }
    if (dialogsDisabled()) {
        printToStderr(title, text);
        return;
    }
    const Uint32 flags = icon == Icon::Exclamation ? SDL_MESSAGEBOX_WARNING : 0;
    if (SDL_ShowSimpleMessageBox(flags, title.c_str(), text.c_str(), nullptr) != 0)
        printToStderr(title, text);
}

void Dialog::setCapture(Capture capture)
{
    currentCapture() = std::move(capture);
}

void Dialog::clearCapture()
{
    currentCapture() = nullptr;
}

} // namespace platform
