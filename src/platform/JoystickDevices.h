#pragma once

#include "platform/JoystickDevice.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {

// The game controller service (the stand-in for the DirectInput object):
// lists the attached controllers and opens them as devices.
class JoystickDevices {
public:
    // Called with each attached controller's index; returns false to stop.
    using Visitor = std::function<bool(int index)>;

    // Starts the controller service; null when it cannot be started.
    static std::unique_ptr<JoystickDevices> create();
    ~JoystickDevices();
    JoystickDevices(const JoystickDevices&) = delete;
    JoystickDevices& operator=(const JoystickDevices&) = delete;

    // Visits the attached controllers in order until the visitor says stop.
    // False when the controllers cannot be listed.
    bool enumerate(const Visitor& visit) const;
    // The model GUID of the controller at an index given by enumerate, as
    // JoystickDevice::getGuid gives it.
    std::string guidAt(int index) const;
    // Opens the controller at an index given by enumerate, or null.
    std::unique_ptr<JoystickDevice> createDevice(int index) const;

private:
    JoystickDevices() = default;
};

} // namespace platform
