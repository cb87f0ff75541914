#include "platform/JoystickDevice.h"

#include "platform/SystemClock.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
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

// Milliseconds of the monotonic clock, which a reading converts to ticks.
std::uint32_t monotonicMs()
{
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// How often the watch reads the controller between frames.
constexpr auto watchInterval = std::chrono::milliseconds(1);

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
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

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
        startWatching();
        return true;
    }

    void release()
    {
        stopWatching();
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

    // The watch: a thread that reads the controller every millisecond and
    // notes when each button went down, so that a press is judged at its
    // moment and not at the next frame's reading. It and the readings hold
    // SDL's joystick lock, so a reading sees buttons and presses alike.
    void startWatching()
    {
        pressMs.fill(0);
        pressCount.fill(0);
        watchedDown.fill(false);
        watching = true;
        watcher = std::thread([this] {
            while (watching) {
                watchOnce();
                std::this_thread::sleep_for(watchInterval);
            }
        });
    }

    void stopWatching()
    {
        watching = false;
        if (watcher.joinable())
            watcher.join();
    }

    void watchOnce()
    {
        SDL_LockJoysticks();
        if (usable() && SDL_JoystickGetAttached(joystick)) {
            SDL_JoystickUpdate();
            const std::uint32_t now = monotonicMs();
            const int buttons = std::min(SDL_JoystickNumButtons(joystick), JoystickReading::maximumButtons);
            for (int button = 0; button < buttons; ++button) {
                const bool down = SDL_JoystickGetButton(joystick, button) != 0;
                if (down && !watchedDown[button]) {
                    pressMs[button] = now;
                    ++pressCount[button];
                }
                watchedDown[button] = down;
            }
        }
        SDL_UnlockJoysticks();
    }

    const bool serviceStarted;
    SDL_Joystick* joystick = nullptr;
    std::thread watcher;
    std::atomic<bool> watching{false};
    std::array<std::uint32_t, JoystickReading::maximumButtons> pressMs{};
    std::array<std::uint32_t, JoystickReading::maximumButtons> pressCount{};
    std::array<bool, JoystickReading::maximumButtons> watchedDown{};
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
    SDL_LockJoysticks();
    const int buttons = std::min(SDL_JoystickNumButtons(joystick), JoystickReading::maximumButtons);
    for (int button = 0; button < buttons; ++button) {
        if (SDL_JoystickGetButton(joystick, button))
            reading.buttons[button] = JoystickReading::pressed;
        // A press older than the clock conversion reaches counts as now.
        reading.pressTick[button]
            = SystemClock::fromMonotonicMs(handle->pressMs[button]).value_or(SystemClock::tickCount());
        reading.pressCount[button] = handle->pressCount[button];
    }
    SDL_UnlockJoysticks();
    return true;
}

} // namespace platform
