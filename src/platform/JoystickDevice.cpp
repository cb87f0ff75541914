#include "platform/JoystickDevice.h"

#include "platform/SystemClock.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
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

// An axis direction presses at half its travel from rest and lets go at a
// quarter; a direction with hardly any travel (an axis resting at its end)
// never presses.
constexpr int axisPressShare = 2;
constexpr int axisReleaseShare = 4;
constexpr int axisLeastTravel = 4096;
// An axis that starts beyond this rests at its end (a trigger); others rest at the centre.
constexpr int axisEndRest = 24576;

std::string guidText(const SDL_JoystickGUID& guid)
{
    char text[33] = {};
    SDL_JoystickGetGUIDString(guid, text, sizeof text);
    return text;
}

// The switch of the controller's own input that a game-controller button is wired to, or -1.
int switchOf(const SDL_GameControllerButtonBind& bind)
{
    switch (bind.bindType) {
    case SDL_CONTROLLER_BINDTYPE_BUTTON:
        return bind.value.button >= 0 && bind.value.button < JoystickReading::maximumButtons ? bind.value.button : -1;
    case SDL_CONTROLLER_BINDTYPE_HAT: {
        const int hat = bind.value.hat.hat;
        if (hat < 0 || hat >= JoystickReading::maximumHats)
            return -1;
        constexpr std::array<int, JoystickReading::hatDirections> masks = {SDL_HAT_UP, SDL_HAT_RIGHT, SDL_HAT_DOWN,
                                                                            SDL_HAT_LEFT};
        for (int direction = 0; direction < JoystickReading::hatDirections; ++direction)
            if (bind.value.hat.hat_mask == masks[static_cast<std::size_t>(direction)])
                return JoystickReading::hatSwitch(hat, direction);
        return -1;
    }
    default:
        return -1;
    }
}

// What SDL's controller database says about the controller at this index.
std::optional<JoystickDevice::Layout> layoutOf(int index)
{
    if (!SDL_IsGameController(index))
        return std::nullopt;
    SDL_GameController* controller = SDL_GameControllerOpen(index);
    if (!controller)
        return std::nullopt;
    constexpr std::array<SDL_GameControllerButton, 8> buttons = {
        SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, SDL_CONTROLLER_BUTTON_DPAD_DOWN,
        SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B,
        SDL_CONTROLLER_BUTTON_X, SDL_CONTROLLER_BUTTON_Y};
    JoystickDevice::Layout layout{};
    for (std::size_t i = 0; i < buttons.size(); ++i)
        layout[i] = switchOf(SDL_GameControllerGetBindForButton(controller, buttons[i]));
    SDL_GameControllerClose(controller);
    return layout;
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
    // The controller database comes with the game controller service.
    Handle()
        : serviceStarted(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0)
    {
    }

    ~Handle()
    {
        release();
        if (serviceStarted)
            SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
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
        layout = layoutOf(index);
        findAxisRests();
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
        releaseMs.fill(0);
        releaseCount.fill(0);
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
            sample(monotonicMs());
        }
        SDL_UnlockJoysticks();
    }

    // Notes every switch that went down since the last look; called with
    // SDL's joystick lock held. Only the inputs the controller has are read,
    // up to the limits of a reading.
    void sample(std::uint32_t now)
    {
        const int buttons = std::min(SDL_JoystickNumButtons(joystick), JoystickReading::maximumButtons);
        for (int button = 0; button < buttons; ++button)
            note(button, SDL_JoystickGetButton(joystick, button) != 0, now);
        const int hats = std::min(SDL_JoystickNumHats(joystick), JoystickReading::maximumHats);
        constexpr std::array<Uint8, JoystickReading::hatDirections> masks = {SDL_HAT_UP, SDL_HAT_RIGHT, SDL_HAT_DOWN,
                                                                              SDL_HAT_LEFT};
        for (int hat = 0; hat < hats; ++hat) {
            const Uint8 position = SDL_JoystickGetHat(joystick, hat);
            for (int direction = 0; direction < JoystickReading::hatDirections; ++direction)
                note(JoystickReading::hatSwitch(hat, direction), (position & masks[static_cast<std::size_t>(direction)]) != 0,
                     now);
        }
        const int axes = std::min(SDL_JoystickNumAxes(joystick), JoystickReading::maximumAxes);
        for (int axis = 0; axis < axes; ++axis) {
            const int value = SDL_JoystickGetAxis(joystick, axis);
            for (const bool positive : {true, false}) {
                const int index = JoystickReading::axisSwitch(axis, positive);
                note(index, axisDown(axis, positive, value, watchedDown[static_cast<std::size_t>(index)]), now);
            }
        }
    }

    void note(int index, bool down, std::uint32_t now)
    {
        const auto at = static_cast<std::size_t>(index);
        if (down && !watchedDown[at]) {
            pressMs[at] = now;
            ++pressCount[at];
        } else if (!down && watchedDown[at]) {
            releaseMs[at] = now;
            ++releaseCount[at];
        }
        watchedDown[at] = down;
    }

    bool axisDown(int axis, bool positive, int value, bool wasDown) const
    {
        const int rest = axisRest[static_cast<std::size_t>(axis)];
        const int travel = positive ? SDL_JOYSTICK_AXIS_MAX - rest : rest - SDL_JOYSTICK_AXIS_MIN;
        if (travel < axisLeastTravel)
            return false;
        const int deflection = positive ? value - rest : rest - value;
        return deflection * (wasDown ? axisReleaseShare : axisPressShare) >= travel;
    }

    void findAxisRests()
    {
        axisRest.fill(0);
        const int axes = std::min(SDL_JoystickNumAxes(joystick), JoystickReading::maximumAxes);
        for (int axis = 0; axis < axes; ++axis) {
            const int value = SDL_JoystickGetAxis(joystick, axis);
            if (value >= axisEndRest)
                axisRest[static_cast<std::size_t>(axis)] = SDL_JOYSTICK_AXIS_MAX;
            else if (value <= -axisEndRest)
                axisRest[static_cast<std::size_t>(axis)] = SDL_JOYSTICK_AXIS_MIN;
        }
    }

    const bool serviceStarted;
    SDL_Joystick* joystick = nullptr;
    std::thread watcher;
    std::atomic<bool> watching{false};
    std::array<std::uint32_t, JoystickReading::switchCount> pressMs{};
    std::array<std::uint32_t, JoystickReading::switchCount> pressCount{};
    std::array<std::uint32_t, JoystickReading::switchCount> releaseMs{};
    std::array<std::uint32_t, JoystickReading::switchCount> releaseCount{};
    std::array<bool, JoystickReading::switchCount> watchedDown{};
    std::array<int, JoystickReading::maximumAxes> axisRest{};
    std::optional<JoystickDevice::Layout> layout;
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

std::string JoystickDevice::getGuid() const
{
    return guidText(handle->guid);
}

std::optional<JoystickDevice::Layout> JoystickDevice::controllerLayout() const
{
    return handle->layout;
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
    handle->sample(monotonicMs());
    for (std::size_t index = 0; index < reading.switches.size(); ++index) {
        if (handle->watchedDown[index])
            reading.switches[index] = JoystickReading::pressed;
        // A press older than the clock conversion reaches counts as now.
        reading.pressTick[index]
            = SystemClock::fromMonotonicMs(handle->pressMs[index]).value_or(SystemClock::tickCount());
        reading.pressCount[index] = handle->pressCount[index];
        reading.releaseTick[index]
            = SystemClock::fromMonotonicMs(handle->releaseMs[index]).value_or(SystemClock::tickCount());
        reading.releaseCount[index] = handle->releaseCount[index];
    }
    SDL_UnlockJoysticks();
    return true;
}

} // namespace platform
