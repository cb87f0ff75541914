#pragma once

#include "platform/JoystickReading.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// One opened game controller (the stand-in for a DirectInput device). It
// delivers readings only while acquired. When the controller is unplugged
// the device stays, reads nothing, and acquire() takes the same controller
// over again once it is attached anew.
class JoystickDevice {
public:
    enum class PollResult {
        Ready,       // a reading can be taken
        NotAcquired, // acquire first
        Unplugged,   // the controller is gone; acquire() looks for it again
    };

    ~JoystickDevice();
    JoystickDevice(const JoystickDevice&) = delete;
    JoystickDevice& operator=(const JoystickDevice&) = delete;

    // The switches (see JoystickReading) that SDL's controller database
    // wires to a game controller's d-pad up, right, down and left and its
    // face buttons A, B, X and Y; -1 where it names none.
    using Layout = std::array<int, 8>;

    const std::string& getName() const;
    // The model's GUID as 32 hexadecimal digits: two controllers of one
    // model share it, wherever they are plugged in.
    std::string getGuid() const;
    // The layout of a controller the database knows; nothing for others.
    std::optional<Layout> controllerLayout() const;
    // Whether the controller has any buttons to read at all.
    bool hasButtons() const;

    // Starts readings. For an unplugged controller, looks among the attached
    // ones for the same model not held by another device and switches to it.
    // False while no such controller is attached.
    bool acquire();
    void unacquire();
    bool isAcquired() const;

    // Brings the controller's state up to date.
    PollResult poll();
    // The current state; false when not acquired or unplugged.
    bool readState(JoystickReading& reading) const;

private:
    friend class JoystickDevices;
    struct Handle;

    // The attached controller at this enumeration index, or null.
    static std::unique_ptr<JoystickDevice> open(int index);
    explicit JoystickDevice(std::unique_ptr<Handle> handle);

    std::unique_ptr<Handle> handle;
};

} // namespace platform
