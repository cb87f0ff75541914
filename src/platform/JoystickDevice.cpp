#include "platform/JoystickDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace platform {
namespace {

// Controllers currently held by a device, by SDL instance id, so that a
// device looking for its unplugged controller never takes another's.
std::vector<SDL_JoystickID>& heldInstances()
{
    static std::vector<SDL_JoystickID> held;
    return held;
}

bool isHeld(SDL_JoystickID instance)
{
    return std::ranges::find(heldInstances(), instance) != heldInstances().end();
}

bool sameModel(const SDL_JoystickGUID& a, const SDL_JoystickGUID& b)
{
    return std::memcmp(a.data, b.data, sizeof a.data) == 0;
}

// SDL's -32768..32767 onto -1000..1000, linear like a DirectInput range.
std::int32_t scaleAxis(Sint16 value)
{
    constexpr double span = JoystickReading::axisMaximum - JoystickReading::axisMinimum;
    const double fraction = (static_cast<double>(value) + 32768.0) / 65535.0;
    return static_cast<std::int32_t>(std::lround(fraction * span)) + JoystickReading::axisMinimum;
}

} // namespace

// The SDL side of a device. Each handle keeps the joystick service running
// for as long as it lives, so a device may outlive the JoystickDevices that
// opened it.
struct JoystickDevice::Handle {
    Handle()
        : serviceStarted(SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0)
    {
    }

    ~Handle()
    {
        release();
        if (serviceStarted)
            SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    // False once SDL has been shut down underneath us: the joystick is gone.
    bool usable() const { return joystick && SDL_WasInit(SDL_INIT_JOYSTICK); }
    bool attached() const { return usable() && SDL_JoystickGetAttached(joystick); }

    bool take(int index)
    {
        if (!serviceStarted)
            return false;
        SDL_Joystick* opened = SDL_JoystickOpen(index);
        if (!opened)
            return false;
        release();
        joystick = opened;
        guid = SDL_JoystickGetGUID(opened);
        instance = SDL_JoystickInstanceID(opened);
        const char* joystickName = SDL_JoystickName(opened);
        name = joystickName ? joystickName : "";
        heldInstances().push_back(instance);
        return true;
    }

    void release()
    {
        if (!joystick)
            return;
        std::erase(heldInstances(), instance);
        if (usable())
            SDL_JoystickClose(joystick);
        joystick = nullptr;
    }

    // The first attached controller of the same model that no device holds.
    bool takeReturned()
    {
        SDL_JoystickUpdate();
        const int count = SDL_NumJoysticks();
        for (int index = 0; index < count; ++index) {
            if (sameModel(SDL_JoystickGetDeviceGUID(index), guid)
                && !isHeld(SDL_JoystickGetDeviceInstanceID(index)) && take(index))
                return true;
        }
        return false;
    }

    const bool serviceStarted;
    SDL_Joystick* joystick = nullptr;
    SDL_JoystickGUID guid{};
    SDL_JoystickID instance = -1;
    std::string name;
    bool acquired = false;
};

std::unique_ptr<JoystickDevice> JoystickDevice::open(int index)
{
    auto handle = std::make_unique<Handle>();
    if (!handle->take(index))
        return nullptr;
    return std::unique_ptr<JoystickDevice>(new JoystickDevice(std::move(handle)));
}

JoystickDevice::JoystickDevice(std::unique_ptr<Handle> handle)
    : handle(std::move(handle))
{
}

JoystickDevice::~JoystickDevice() = default;

const std::string& JoystickDevice::getName() const
{
    return handle->name;
}

bool JoystickDevice::hasButtons() const
{
    return handle->usable() && SDL_JoystickNumButtons(handle->joystick) > 0;
}

bool JoystickDevice::acquire()
{
    if (!handle->usable())
        return false;
    if (!handle->attached() && !handle->takeReturned())
        return false;
    handle->acquired = true;
    return true;
}

void JoystickDevice::unacquire()
{
    handle->acquired = false;
}

bool JoystickDevice::isAcquired() const
{
    return handle->acquired;
}

JoystickDevice::PollResult JoystickDevice::poll()
{
    if (handle->usable())
        SDL_JoystickUpdate();
    if (!handle->attached()) {
        handle->acquired = false;
        return PollResult::Unplugged;
    }
    return handle->acquired ? PollResult::Ready : PollResult::NotAcquired;
}

bool JoystickDevice::readState(JoystickReading& reading) const
{
    if (!handle->acquired || !handle->attached())
        return false;
    SDL_Joystick* joystick = handle->joystick;
    reading = JoystickReading{};
    const int axes = SDL_JoystickNumAxes(joystick);
    if (axes > 0)
        reading.x = scaleAxis(SDL_JoystickGetAxis(joystick, 0));
    if (axes > 1)
        reading.y = scaleAxis(SDL_JoystickGetAxis(joystick, 1));
    const int buttons = std::min(SDL_JoystickNumButtons(joystick), JoystickReading::maximumButtons);
    for (int button = 0; button < buttons; ++button) {
        if (SDL_JoystickGetButton(joystick, button))
            reading.buttons[button] = JoystickReading::pressed;
    }
    return true;
}

} // namespace platform
