#include "input/InputJoystick.h"

#include "core/OutputHandler.h"
#include "platform/JoystickDevices.h"
#include "platform/JoystickReading.h"
#include "platform/SystemClock.h"

InputJoystick::InputJoystick(std::uint8_t number)
    : Object(true, "InputJoystick")
    , number(number)
{
}

InputJoystick::~InputJoystick()
{
    if (device)
        device->unacquire();
}

bool InputJoystick::enumerate(const platform::JoystickDevices& devices, InputJoystick& first, InputJoystick& second)
{
    int found = 0;
    return devices.enumerate([&](int index) {
        auto opened = devices.createDevice(index);
        if (!opened)
            return true;
        InputJoystick& joystick = found == 0 ? first : second;
        joystick.device = std::move(opened);
        ++found;
        return found < 2;
    });
}

const std::uint8_t* InputJoystick::setUp()
{
    if (!device)
        return state.buttons.data();
    // A controller without buttons cannot deliver the reading the game needs.
    if (!device->hasButtons()) {
        OutputHandler::log(OutputHandler::find(), "...InputJoystick: unable to setdataformat");
        return state.buttons.data();
    }
    // Not acquired here: the first poll acquires, readings start a frame later.
    active = true;
    return state.buttons.data();
}

void InputJoystick::poll()
{
    releaseAll();
    if (!device || !active)
        return;

    switch (device->poll()) {
    case platform::JoystickDevice::PollResult::Ready:
        break;
    case platform::JoystickDevice::PollResult::Unplugged:
        if (!lost)
            OutputHandler::log(OutputHandler::find(), "...InputJoystick: lost Joystick Nr %d", number);
        lost = true;
        reacquire();
        return;
    case platform::JoystickDevice::PollResult::NotAcquired:
        reacquire();
        return;
    }

    platform::JoystickReading reading;
    if (!device->readState(reading))
        return;
    state.axisX = reading.x;
    state.axisY = reading.y;
    for (std::size_t button = 0; button < JoystickState::buttonCount; ++button) {
        const bool down = (reading.buttons[button] & platform::JoystickReading::pressed) != 0;
        notePress(button, down, reading);
        state.buttons[button] = down ? 1 : 0;
    }
}

// The device notes every press between readings with its moment; a press it
// did not note (a new controller's first reading) counts from now.
void InputJoystick::notePress(std::size_t button, bool down, const platform::JoystickReading& reading)
{
    // A count that went back belongs to a controller taken over anew.
    const std::uint32_t deviceCount = reading.pressCount[button];
    const bool deviceSawPress = deviceCount > devicePresses[button];
    devicePresses[button] = deviceCount;
    if (deviceSawPress) {
        state.pressTick[button] = reading.pressTick[button];
        ++state.pressCount[button];
    } else if (down && !wasDown[button]) {
        state.pressTick[button] = platform::SystemClock::tickCount();
        ++state.pressCount[button];
    }
}

// Reads as released until a reading says otherwise; the press log stays.
void InputJoystick::releaseAll()
{
    wasDown = state.buttons;
    state.axisX = 0;
    state.axisY = 0;
    state.buttons.fill(0);
}

void InputJoystick::reacquire()
{
    if (!device->acquire() || !lost)
        return;
    lost = false;
    OutputHandler::log(OutputHandler::find(), "...InputJoystick: found Joystick Nr %d again", number);
}

void InputJoystick::activate()
{
    if (!device)
        return;
    reacquire();
    active = true;
    OutputHandler::log(OutputHandler::find(), "...InputJoystick: activated Joystick Nr %d", number);
}

void InputJoystick::deactivate()
{
    if (!device)
        return;
    device->unacquire();
    active = false;
    OutputHandler::log(OutputHandler::find(), "...InputJoystick: deactivated Joystick Nr %d", number);
}
