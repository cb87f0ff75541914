#pragma once

#include "core/Object.h"
#include "input/Control.h"
#include "input/ControlMapping.h"
#include "input/JoystickState.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

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

    // Moves the pad that a mapping names to this joystick: from `other`, or
    // opened among the attached controllers; nothing when it is not
    // attached. Then takes the mapping's pad controls when they are for the
    // pad it now holds, else a known controller's layout, else none (the
    // bindings' own buttons). False when the named pad is not attached.
    bool applyMapping(const ControlMapping& mapping, const platform::JoystickDevices& devices, InputJoystick& other);
    // The switch (see JoystickState) that plays an action (1 to 8), or
    // `button` when the action has no control of its own and no other
    // action has that button; -1 for none.
    int switchFor(int action, int button) const;
    // The switch of a pad control, or -1 for anything else.
    static int switchOf(const Control& control);
    // The pad control of a switch; the inverse of switchOf.
    static Control controlOf(int index);

    bool hasDevice() const { return device != nullptr; }
    // The controller was unplugged and has not come back yet.
    bool isLost() const { return lost; }
    // The pad's name, and its identity for a mapping; empty without a device.
    std::string getDeviceName() const;
    ControlMapping::PadDevice getPadDevice() const;
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
    void noteEdges(std::size_t index, bool down, const platform::JoystickReading& reading);
    static void noteEdge(std::uint32_t deviceCount, std::uint32_t deviceTick, bool seenNow,
                         std::uint32_t& lastDeviceCount, std::uint32_t& tick, std::uint32_t& count);
    void takeDevice(std::unique_ptr<platform::JoystickDevice> opened, int order);
    bool holds(const ControlMapping::PadDevice& wanted) const;
    void useLayout(const ControlMapping& mapping);

    std::unique_ptr<platform::JoystickDevice> device;
    const std::uint8_t number;
    bool active = false;
    JoystickState state;
    // The switches of the previous reading, to see which went down since.
    std::array<std::uint8_t, JoystickState::switchCount> wasDown{};
    // The device's press and release counts of each switch at the last reading.
    std::array<std::uint32_t, JoystickState::switchCount> devicePresses{};
    std::array<std::uint32_t, JoystickState::switchCount> deviceReleases{};
    // The device's place among the attached controllers of its model (1 first).
    int order = 1;
    // Per action 1 to 8: the switch that plays it, or -1 for the binding's own button.
    std::array<int, ControlMapping::actionCount> actionSwitches{-1, -1, -1, -1, -1, -1, -1, -1};
    Player* player = nullptr;
    // The controller was unplugged and has not come back yet.
    bool lost = false;
};
