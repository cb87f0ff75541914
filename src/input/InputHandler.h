#pragma once

#include "core/Object.h"
#include "input/ControlMapping.h"
#include "input/KeyBinding.h"
#include "input/KeyPresses.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class JoystickDevices;
}

class InputJoystick;
class Player;

// Turns keys and joystick buttons into main-loop commands and player
// actions. Once per frame it polls the joysticks and fires every binding
// whose key or button is down, in registration order, for as long as it
// stays down. The first frame that sees a press fires it with the press's
// own time (also when the key is already up again); later frames while it
// stays down fire with the frame's time. A player's action also fires once
// when its key or button goes up, with the release's own time. Registered
// as "InputHandler".
// What receives the events is set from above (the main loop), so that the
// input knows nothing of the game.
class InputHandler : public Object {
public:
    struct Receivers {
        // A main-loop key (target 1) is down.
        std::function<void(std::uint8_t code)> mainLoopKey;
        // A key of target 2 is down.
        std::function<void(std::uint8_t code)> arrowKey;
        // A player's action is down, pressed at `pressTick`; `newPress` on
        // the first frame that sees the press.
        std::function<void(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)>
            playerAction;
        // A player's action went up at `releaseTick`.
        std::function<void(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick)> playerRelease;
    };

    static constexpr std::uint8_t targetMainLoop = 1;
    static constexpr std::uint8_t targetArrowKey = 2;
    static constexpr std::uint8_t targetPlayerAction = 3;
    static constexpr std::uint8_t mediaKeyboard = 0;
    static constexpr std::uint8_t mediaJoystick = 1;

    InputHandler();
    ~InputHandler() override;

    // Keeps the window's 256 key flags and their press times (read only) and
    // sets up joysticks 1 and 2.
    bool init(const std::uint8_t* keyFlags, const KeyPresses* presses = nullptr);

    void setReceivers(Receivers events) { receivers = std::move(events); }

    void registerBinding(std::uint8_t code, std::uint8_t target, std::uint8_t player, std::uint8_t action,
                         std::uint8_t media);
    // Binds player 1 or 2's actions 1 to 8 (Up, Right, Down, Left, Slot 1 to
    // 4) to these codes; player 0 binds nothing.
    void registerPlayerKeys(std::uint8_t player, std::uint8_t media, std::uint8_t up, std::uint8_t right,
                            std::uint8_t down, std::uint8_t left, std::uint8_t slot1, std::uint8_t slot2,
                            std::uint8_t slot3, std::uint8_t slot4);
    // The joystick of this number serves the player of the same number:
    // buttons 12 to 15 step, 0 to 3 are the slots.
    void registerJoystickPlayer(Player* player, std::uint8_t joystickNumber);

    // A player's controls from the configuration. The pad part goes to the
    // joystick with the player's number, which takes the pad the mapping
    // names (see InputJoystick::applyMapping).
    void setPlayerMapping(int player, const ControlMapping& mapping);
    // Player 1 or 2's keyboard bindings take the mapping's keys; a key held
    // while it changes fires only when pressed again.
    void setPlayerKeys(int player, const ControlMapping& mapping);
    // The mapping given for player 1 or 2; an empty one before.
    const ControlMapping& getPlayerMapping(int player) const;
    // What a player plays on, for the story screen: "keyboard" when the
    // player has keys, and "mat: <name>" for the player's pad.
    std::vector<std::string> playerDevices(int player) const;

    // Joystick 1 for number 1, joystick 2 otherwise; null before init.
    InputJoystick* getJoystick(std::uint8_t number) const;
    platform::JoystickDevices* getDirectInput() const { return directInput.get(); }

    void update();

    const std::vector<KeyBinding>& getBindings() const { return bindings; }
    // The window's key flags and press log; null before init.
    const std::uint8_t* getKeyStates() const { return keyStates; }
    const KeyPresses* getKeyPresses() const { return keyPresses; }

private:
    // When the binding's key or button last went down (or up), and how many
    // times.
    struct PressRecord {
        std::uint32_t tick = 0;
        std::uint32_t count = 0;
    };

    bool setUpJoysticks();
    bool isDown(const KeyBinding& binding) const;
    // The joystick a pad binding reads (by the binding's player) and its switch.
    const InputJoystick* padOf(const KeyBinding& binding) const;
    static int switchOf(const InputJoystick& joystick, const KeyBinding& binding);
    PressRecord lastPress(const KeyBinding& binding) const { return lastEdge(binding, false); }
    PressRecord lastRelease(const KeyBinding& binding) const { return lastEdge(binding, true); }
    PressRecord lastEdge(const KeyBinding& binding, bool release) const;
    void rememberEdges(std::size_t index);
    void dispatch(const KeyBinding& binding, std::uint32_t pressTick, bool newPress) const;
    void dispatchRelease(const KeyBinding& binding, std::uint32_t releaseTick) const;

    std::array<ControlMapping, 2> playerMappings{};
    Receivers receivers;
    std::vector<KeyBinding> bindings;
    // Per binding: the press and release counts it last fired for.
    std::vector<std::uint32_t> firedPresses;
    std::vector<std::uint32_t> firedReleases;
    const std::uint8_t* keyStates = nullptr;
    const KeyPresses* keyPresses = nullptr;
    const std::uint8_t* joystick1Buttons = nullptr;
    const std::uint8_t* joystick2Buttons = nullptr;
    std::unique_ptr<platform::JoystickDevices> directInput;
    // Registered objects: the registry teardown destroys them.
    InputJoystick* joystick1 = nullptr;
    InputJoystick* joystick2 = nullptr;
};
