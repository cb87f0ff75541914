#include "support/VirtualJoystick.h"

#include <SDL.h>

#include <cstdio>

namespace testsupport {

struct VirtualJoystick::Handles {
    std::string name;
    int buttons = 0;
    int axes = 0;
    int hats = 0;
    bool gameController = false;
    SDL_Joystick* joystick = nullptr;
};

VirtualJoystick::VirtualJoystick(const std::string& name, int buttons, int axes, int hats, bool gameController)
    : handles(std::make_unique<Handles>(Handles{name, buttons, axes, hats, gameController}))
{
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
        std::fprintf(stderr, "VirtualJoystick: %s\n", SDL_GetError());
    plugIn();
}

VirtualJoystick::~VirtualJoystick()
{
    unplug();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

void VirtualJoystick::plugIn()
{
    if (handles->joystick)
        return;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = handles->gameController ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_DANCE_PAD;
    desc.naxes = static_cast<Uint16>(handles->axes);
    desc.nbuttons = static_cast<Uint16>(handles->buttons);
    desc.nhats = static_cast<Uint16>(handles->hats);
    desc.name = handles->name.c_str();
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    handles->joystick = index < 0 ? nullptr : SDL_JoystickOpen(index);
    if (!handles->joystick)
        std::fprintf(stderr, "VirtualJoystick: %s\n", SDL_GetError());
}

// The device index of an attached joystick changes as others come and go.
void VirtualJoystick::unplug()
{
    if (!handles->joystick)
        return;
    const SDL_JoystickID instance = SDL_JoystickInstanceID(handles->joystick);
    for (int index = 0; index < SDL_NumJoysticks(); ++index)
        if (SDL_JoystickGetDeviceInstanceID(index) == instance)
            SDL_JoystickDetachVirtual(index);
    SDL_JoystickClose(handles->joystick);
    handles->joystick = nullptr;
}

void VirtualJoystick::setButton(int button, bool down)
{
    if (handles->joystick)
        SDL_JoystickSetVirtualButton(handles->joystick, button, down ? SDL_PRESSED : SDL_RELEASED);
}

void VirtualJoystick::setAxis(int axis, std::int16_t value)
{
    if (handles->joystick)
        SDL_JoystickSetVirtualAxis(handles->joystick, axis, value);
}

void VirtualJoystick::setHat(int hat, std::uint8_t position)
{
    if (handles->joystick)
        SDL_JoystickSetVirtualHat(handles->joystick, hat, position);
}

int VirtualJoystick::attachedCount()
{
    SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    SDL_JoystickUpdate();
    const int count = SDL_NumJoysticks();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    return count;
}

} // namespace testsupport
