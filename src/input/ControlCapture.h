#pragma once

#include "input/Control.h"
#include "input/ControlMapping.h"
#include "input/JoystickState.h"

#include <array>
#include <cstdint>
#include <string>

class InputHandler;

// Waits for the next control anyone presses, for a mapping screen: a key,
// or a button, hat direction or axis direction of either pad, with the
// device it came from. Only a press made after start() counts, so a key
// still held from the menu does not.
class ControlCapture {
public:
    enum class Status {
        Waiting,
        Captured,
        // A pad that was there at the start has been unplugged: the capture
        // is over and nothing is to be written.
        DeviceLost,
    };

    struct Captured {
        Control control;
        int joystick = 0; // 0 for the keyboard, else the pad's joystick number
        ControlMapping::PadDevice pad;
        std::string deviceName; // "keyboard" or "mat: <name>"
    };

    void start(const InputHandler& input);
    // Looks at the input of the frame, after InputHandler::update. Once it
    // has answered Captured or DeviceLost it keeps that answer until start().
    Status poll(const InputHandler& input);
    const Captured& getCaptured() const { return captured; }

private:
    struct PadBaseline {
        bool present = false;
        std::array<std::uint32_t, JoystickState::switchCount> counts{};
    };

    bool captureKey(const InputHandler& input);
    bool capturePad(const InputHandler& input, int number);

    Status status = Status::Waiting;
    Captured captured;
    std::array<std::uint32_t, 256> keyCounts{};
    std::array<PadBaseline, 2> pads{};
};
