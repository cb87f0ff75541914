#include "platform/JoystickDevices.h"

#include <SDL.h>

namespace platform {

std::unique_ptr<JoystickDevices> JoystickDevices::create()
{
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
        return nullptr;
    return std::unique_ptr<JoystickDevices>(new JoystickDevices());
}

JoystickDevices::~JoystickDevices()
{
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

bool JoystickDevices::enumerate(const Visitor& visit) const
{
    // Picks up controllers plugged in since the last look.
    SDL_JoystickUpdate();
    const int count = SDL_NumJoysticks();
    if (count < 0)
        return false;
    for (int index = 0; index < count; ++index) {
        if (!visit(index))
            break;
    }
    return true;
}

std::string JoystickDevices::guidAt(int index) const
{
    char text[33] = {};
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), text, sizeof text);
    return text;
}

std::unique_ptr<JoystickDevice> JoystickDevices::createDevice(int index) const
{
    return JoystickDevice::open(index);
}

} // namespace platform
