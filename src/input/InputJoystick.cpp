#include "input/InputJoystick.h"

#include "core/OutputHandler.h"
#include "platform/JoystickDevices.h"
#include "platform/JoystickReading.h"
#include "platform/SystemClock.h"

#include <algorithm>
#include <utility>

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

namespace {

constexpr std::array<Control::Direction, platform::JoystickReading::hatDirections> hatDirections = {
    Control::Direction::Up, Control::Direction::Right, Control::Direction::Down, Control::Direction::Left};

// The place of the controller at `index` among the attached ones of its model.
int orderAmongModel(const platform::JoystickDevices& devices, int index)
{
    const std::string guid = devices.guidAt(index);
    int order = 1;
    for (int earlier = 0; earlier < index; ++earlier)
        order += devices.guidAt(earlier) == guid ? 1 : 0;
    return order;
}

} // namespace

bool InputJoystick::enumerate(const platform::JoystickDevices& devices, InputJoystick& first, InputJoystick& second)
{
    int found = 0;
    return devices.enumerate([&](int index) {
        auto opened = devices.createDevice(index);
        if (!opened)
            return true;
        InputJoystick& joystick = found == 0 ? first : second;
        joystick.takeDevice(std::move(opened), orderAmongModel(devices, index));
        ++found;
        return found < 2;
    });
}

void InputJoystick::takeDevice(std::unique_ptr<platform::JoystickDevice> opened, int place)
{
    device = std::move(opened);
    order = place;
    // A fresh device counts its presses from zero; the state's counts go on.
    devicePresses.fill(0);
    deviceReleases.fill(0);
    wasDown.fill(0);
    lost = false;
}

bool InputJoystick::holds(const ControlMapping::PadDevice& wanted) const
{
    return device && device->getGuid() == wanted.guid && order == wanted.order;
}

bool InputJoystick::applyMapping(const ControlMapping& mapping, const platform::JoystickDevices& devices,
                                 InputJoystick& other)
{
    const ControlMapping::PadDevice& wanted = mapping.getPadDevice();
    if (!wanted.guid.empty() && !holds(wanted)) {
        if (other.holds(wanted)) {
            std::swap(device, other.device);
            std::swap(order, other.order);
            std::swap(devicePresses, other.devicePresses);
            std::swap(deviceReleases, other.deviceReleases);
            std::swap(wasDown, other.wasDown);
            std::swap(lost, other.lost);
            std::swap(active, other.active);
            other.useLayout(ControlMapping{});
        } else {
            int seen = 0;
            devices.enumerate([&](int index) {
                if (devices.guidAt(index) != wanted.guid || ++seen != wanted.order)
                    return true;
                if (auto opened = devices.createDevice(index)) {
                    takeDevice(std::move(opened), wanted.order);
                    active = device->hasButtons();
                }
                return false;
            });
        }
    }
    const bool found = wanted.guid.empty() || holds(wanted);
    useLayout(found ? mapping : ControlMapping{});
    if (!found)
        OutputHandler::log(OutputHandler::find(), "...InputJoystick: pad %s of Joystick Nr %d is not attached",
                           ControlMapping::formatPadDevice(wanted).c_str(), number);
    return found;
}

// The mapping's own pad controls, else a known controller's layout, else
// the bindings' buttons.
void InputJoystick::useLayout(const ControlMapping& mapping)
{
    actionSwitches.fill(-1);
    if (mapping.hasPadControls()) {
        for (int action = 1; action <= ControlMapping::actionCount; ++action)
            actionSwitches[static_cast<std::size_t>(action - 1)] = switchOf(mapping.padFor(action));
        return;
    }
    if (!device)
        return;
    if (const auto layout = device->controllerLayout())
        actionSwitches = *layout;
}

int InputJoystick::switchFor(int action, int button) const
{
    if (action >= 1 && action <= ControlMapping::actionCount) {
        const int mapped = actionSwitches[static_cast<std::size_t>(action - 1)];
        if (mapped >= 0)
            return mapped;
        // A default button that the mapping gives to another action plays
        // only that action (a mat with its arrows on the slots' buttons).
        if (std::find(actionSwitches.begin(), actionSwitches.end(), button) != actionSwitches.end())
            return -1;
    }
    return button >= 0 && button < JoystickState::buttonCount ? button : -1;
}

int InputJoystick::switchOf(const Control& control)
{
    using Reading = platform::JoystickReading;
    const int number = control.getNumber();
    switch (control.getKind()) {
    case Control::Kind::Button:
        return number < Reading::maximumButtons ? number : -1;
    case Control::Kind::Hat:
        for (int direction = 0; direction < Reading::hatDirections; ++direction)
            if (number < Reading::maximumHats && hatDirections[static_cast<std::size_t>(direction)] == control.getDirection())
                return Reading::hatSwitch(number, direction);
        return -1;
    case Control::Kind::Axis:
        return number < Reading::maximumAxes ? Reading::axisSwitch(number, control.getDirection() == Control::Direction::Plus)
                                             : -1;
    default:
        return -1;
    }
}

Control InputJoystick::controlOf(int index)
{
    using Reading = platform::JoystickReading;
    if (index < 0 || index >= Reading::switchCount)
        return {};
    if (index < Reading::firstHatSwitch)
        return Control::button(index);
    if (index < Reading::firstAxisSwitch) {
        const int hat = (index - Reading::firstHatSwitch) / Reading::hatDirections;
        const int direction = (index - Reading::firstHatSwitch) % Reading::hatDirections;
        return Control::hat(hat, hatDirections[static_cast<std::size_t>(direction)]);
    }
    const int axis = (index - Reading::firstAxisSwitch) / 2;
    return Control::axis(axis, (index - Reading::firstAxisSwitch) % 2 == 0);
}

std::string InputJoystick::getDeviceName() const
{
    return device ? device->getName() : std::string();
}

ControlMapping::PadDevice InputJoystick::getPadDevice() const
{
    return device ? ControlMapping::PadDevice{device->getGuid(), order} : ControlMapping::PadDevice{};
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
    useLayout(ControlMapping{});
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
    for (std::size_t index = 0; index < state.switches.size(); ++index) {
        const bool down = (reading.switches[index] & platform::JoystickReading::pressed) != 0;
        noteEdges(index, down, reading);
        state.switches[index] = down ? 1 : 0;
    }
    std::copy_n(state.switches.begin(), state.buttons.size(), state.buttons.begin());
}

// The device notes every press and release between readings with its
// moment; one it did not note (a new controller's first reading) counts
// from now.
void InputJoystick::noteEdges(std::size_t index, bool down, const platform::JoystickReading& reading)
{
    const bool wentDown = down && !wasDown[index];
    const bool wentUp = !down && wasDown[index];
    noteEdge(reading.pressCount[index], reading.pressTick[index], wentDown, devicePresses[index],
             state.pressTick[index], state.pressCount[index]);
    noteEdge(reading.releaseCount[index], reading.releaseTick[index], wentUp, deviceReleases[index],
             state.releaseTick[index], state.releaseCount[index]);
}

// A count that went back belongs to a controller taken over anew.
void InputJoystick::noteEdge(std::uint32_t deviceCount, std::uint32_t deviceTick, bool seenNow,
                             std::uint32_t& lastDeviceCount, std::uint32_t& tick, std::uint32_t& count)
{
    const bool deviceSawIt = deviceCount > lastDeviceCount;
    lastDeviceCount = deviceCount;
    if (deviceSawIt || seenNow) {
        tick = deviceSawIt ? deviceTick : platform::SystemClock::tickCount();
        ++count;
    }
}

// Reads as released until a reading says otherwise; the press log stays.
void InputJoystick::releaseAll()
{
    wasDown = state.switches;
    state.axisX = 0;
    state.axisY = 0;
    state.buttons.fill(0);
    state.switches.fill(0);
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
