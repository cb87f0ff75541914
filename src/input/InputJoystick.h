#pragma once

#include "core/Object.h"
#include "input/JoystickState.h"

#include <cstdint>
#include <memory>

namespace platform {
class JoystickDevice;
class JoystickDevices;
struct JoystickReading;
}

class Player;

// A dance mat or other game controller as joystick 1 or 2. Registered as
// "InputJoystick" (both joysticks carry that name). Without a device, or
// while it is not active, it reads as all released.
class InputJoystick : public Object {
public:
    explicit InputJoystick(std::uint8_t number);
    ~InputJoystick() override;

    // Gives the first two attached controllers that can be opened to the two
    // joysticks, in order; a controller that fails to open is skipped and the
    // next one takes its place. False when the controllers cannot be listed.
    static bool enumerate(const platform::JoystickDevices& devices, InputJoystick& first, InputJoystick& second);

    bool hasDevice() const { return device != nullptr; }
    bool isActive() const { return active; }

    // Prepares the device and activates the joystick. The result is the
    // address of the 16 button flags, which stays valid for the joystick's
    // life, whatever the outcome.
    const std::uint8_t* setUp();
    // Reads the device into the state; see the class comment.
    void poll();
    void activate();
    void deactivate();

    std::uint8_t getNumber() const { return number; }
    const JoystickState& getState() const { return state; }
    Player* getPlayer() const { return player; }
    void setPlayer(Player* served) { player = served; }

private:
    void reacquire();
    void releaseAll();
    void notePress(std::size_t button, bool down, const platform::JoystickReading& reading);

    std::unique_ptr<platform::JoystickDevice> device;
    const std::uint8_t number;
    bool active = false;
    JoystickState state;
    // The buttons of the previous reading, to see which went down since.
    std::array<std::uint8_t, JoystickState::buttonCount> wasDown{};
    // The device's press count of each button at the last reading.
    std::array<std::uint32_t, JoystickState::buttonCount> devicePresses{};
    Player* player = nullptr;
    // The controller was unplugged and has not come back yet.
    bool lost = false;
};
