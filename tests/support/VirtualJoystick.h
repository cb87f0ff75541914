#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace testsupport {

// A game controller made by SDL's virtual joystick driver: real SDL code and
// no hardware. Attached on construction, detached on destruction; it can be
// unplugged and plugged in again as the same model.
class VirtualJoystick {
public:
    VirtualJoystick(const std::string& name, int buttons, int axes = 2);
    ~VirtualJoystick();
    VirtualJoystick(const VirtualJoystick&) = delete;
    VirtualJoystick& operator=(const VirtualJoystick&) = delete;

    bool isAttached() const;
    void setButton(int button, bool down);
    void setAxis(int axis, std::int16_t value);
    void unplug();
    void plugIn();

    // Controllers SDL sees right now, virtual ones included.
    static int attachedCount();

private:
    struct Handles;
    std::unique_ptr<Handles> handles;
};

} // namespace testsupport
