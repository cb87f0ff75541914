#include "input/ControlCapture.h"

#include "input/InputHandler.h"
#include "input/InputJoystick.h"

void ControlCapture::start(const InputHandler& input)
{
    status = Status::Waiting;
    captured = Captured{};
    const KeyPresses* presses = input.getKeyPresses();
    keyCounts = presses ? presses->count : std::array<std::uint32_t, 256>{};
    for (int number = 1; number <= 2; ++number) {
        const InputJoystick* joystick = input.getJoystick(static_cast<std::uint8_t>(number));
        PadBaseline& pad = pads[static_cast<std::size_t>(number - 1)];
        pad.present = joystick && joystick->hasDevice() && !joystick->isLost();
        pad.counts = joystick ? joystick->getState().pressCount : decltype(pad.counts){};
    }
}

ControlCapture::Status ControlCapture::poll(const InputHandler& input)
{
    if (status != Status::Waiting)
        return status;
    for (int number = 1; number <= 2; ++number) {
        const InputJoystick* joystick = input.getJoystick(static_cast<std::uint8_t>(number));
        if (pads[static_cast<std::size_t>(number - 1)].present && (!joystick || joystick->isLost()))
            return status = Status::DeviceLost;
    }
    if (captureKey(input) || capturePad(input, 1) || capturePad(input, 2))
        status = Status::Captured;
    return status;
}

bool ControlCapture::captureKey(const InputHandler& input)
{
    const KeyPresses* presses = input.getKeyPresses();
    if (!presses)
        return false;
    for (std::size_t code = 0; code < keyCounts.size(); ++code) {
        if (presses->count[code] != keyCounts[code]) {
            captured = {Control::key(static_cast<std::uint8_t>(code)), 0, {}, "keyboard"};
            return true;
        }
    }
    return false;
}

bool ControlCapture::capturePad(const InputHandler& input, int number)
{
    const InputJoystick* joystick = input.getJoystick(static_cast<std::uint8_t>(number));
    if (!joystick || !joystick->isActive())
        return false;
    const auto& counts = joystick->getState().pressCount;
    const auto& baseline = pads[static_cast<std::size_t>(number - 1)].counts;
    for (std::size_t index = 0; index < counts.size(); ++index) {
        if (counts[index] != baseline[index]) {
            captured = {InputJoystick::controlOf(static_cast<int>(index)), number, joystick->getPadDevice(),
                        "mat: " + joystick->getDeviceName()};
            return true;
        }
    }
    return false;
}
