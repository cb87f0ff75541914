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
    // A game controller is one SDL's controller database knows (its own
    // layout for virtual controllers: A, B, X, Y on buttons 0 to 3, the
    // d-pad on buttons 11 to 14); other joysticks are dance pads.
    VirtualJoystick(const std::string& name, int buttons, int axes = 2, int hats = 0, bool gameController = false);
    ~VirtualJoystick();
    VirtualJoystick(const VirtualJoystick&) = delete;
    VirtualJoystick& operator=(const VirtualJoystick&) = delete;

    void setButton(int button, bool down);
    void setAxis(int axis, std::int16_t value);
    // SDL's hat bits: 1 up, 2 right, 4 down, 8 left.
    void setHat(int hat, std::uint8_t position);
    void unplug();
    void plugIn();

    // Controllers SDL sees right now, virtual ones included.
    static int attachedCount();

private:
    struct Handles;
    std::unique_ptr<Handles> handles;
};

} // namespace testsupport
