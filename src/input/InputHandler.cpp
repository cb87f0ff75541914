#include "input/InputHandler.h"

#include "core/OutputHandler.h"
#include "input/InputJoystick.h"
#include "platform/JoystickDevices.h"
#include "platform/SystemClock.h"

namespace {

// The pad buttons of actions 1 to 8: the arrow panels, then the slots.
constexpr std::uint8_t padUp = 12;
constexpr std::uint8_t padRight = 13;
constexpr std::uint8_t padDown = 14;
constexpr std::uint8_t padLeft = 15;
constexpr std::uint8_t padSlot1 = 0;
constexpr std::uint8_t padSlot2 = 1;
constexpr std::uint8_t padSlot3 = 2;
constexpr std::uint8_t padSlot4 = 3;

} // namespace

InputHandler::InputHandler()
    : Object(true, "InputHandler")
{
}

InputHandler::~InputHandler() = default;

bool InputHandler::init(const std::uint8_t* keyFlags, const KeyPresses* presses)
{
    OutputHandler* out = OutputHandler::find();
    OutputHandler::log(out, "Initializing InputHandler ...");
    keyStates = keyFlags;
    keyPresses = presses;

    directInput = platform::JoystickDevices::create();
    OutputHandler::log(out, directInput ? "...InputHandler: Initialized DInput" : "...InputHandler: Could not init DInput");
    return setUpJoysticks();
}

// Joysticks without a controller stay inert and read as all released.
bool InputHandler::setUpJoysticks()
{
    joystick1 = new InputJoystick(1);
    joystick2 = new InputJoystick(2);
    if (!directInput)
        return true;
    if (!InputJoystick::enumerate(*directInput, *joystick1, *joystick2))
        return false;
    OutputHandler::log(OutputHandler::find(), "...InputJoystick: Enum'd Joysticks");
    if (joystick1->hasDevice())
        joystick1Buttons = joystick1->setUp();
    if (joystick2->hasDevice())
        joystick2Buttons = joystick2->setUp();
    return true;
}

void InputHandler::registerBinding(std::uint8_t code, std::uint8_t target, std::uint8_t player, std::uint8_t action,
                                   std::uint8_t media)
{
    bindings.push_back({player, code, action, target, media});
    // Presses made before the binding existed are not its to fire.
    firedPresses.push_back(0);
    firedReleases.push_back(0);
    rememberEdges(bindings.size() - 1);
    OutputHandler::log(OutputHandler::find(), "...InputHandler: player #%d registerd %d for %d on media %d", player, code,
                       target, media);
}

void InputHandler::registerPlayerKeys(std::uint8_t player, std::uint8_t media, std::uint8_t up, std::uint8_t right,
                                      std::uint8_t down, std::uint8_t left, std::uint8_t slot1, std::uint8_t slot2,
                                      std::uint8_t slot3, std::uint8_t slot4)
{
    if (player == 0)
        return;
    const std::uint8_t codes[] = {up, right, down, left, slot1, slot2, slot3, slot4};
    std::uint8_t action = 1;
    for (const std::uint8_t code : codes)
        registerBinding(code, targetPlayerAction, player, action++, media);
}

void InputHandler::registerJoystickPlayer(Player* player, std::uint8_t joystickNumber)
{
    if (!player)
        return;
    if (InputJoystick* joystick = getJoystick(joystickNumber))
        joystick->setPlayer(player);
    registerPlayerKeys(joystickNumber, mediaJoystick, padUp, padRight, padDown, padLeft, padSlot1, padSlot2, padSlot3,
                       padSlot4);
}

InputJoystick* InputHandler::getJoystick(std::uint8_t number) const
{
    return number == 1 ? joystick1 : joystick2;
}

void InputHandler::update()
{
    if (joystick1)
        joystick1->poll();
    if (joystick2)
        joystick2->poll();
    const std::uint32_t now = platform::SystemClock::tickCount();
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        const KeyBinding& binding = bindings[i];
        const PressRecord press = lastPress(binding);
        const PressRecord release = lastRelease(binding);
        const bool newPress = press.count != firedPresses[i];
        const bool newRelease = release.count != firedReleases[i];
        rememberEdges(i);
        // Up and down again since the last frame: the release goes first.
        const bool releaseFirst = newRelease && newPress && static_cast<std::int32_t>(release.tick - press.tick) < 0;
        if (releaseFirst)
            dispatchRelease(binding, release.tick);
        if (newPress)
            dispatch(binding, press.tick, true);
        else if (isDown(binding))
            dispatch(binding, now, false);
        if (newRelease && !releaseFirst)
            dispatchRelease(binding, release.tick);
    }
}

// The binding's presses and releases so far are fired or not its to fire.
void InputHandler::rememberEdges(std::size_t index)
{
    firedPresses[index] = lastPress(bindings[index]).count;
    firedReleases[index] = lastRelease(bindings[index]).count;
}

InputHandler::PressRecord InputHandler::lastEdge(const KeyBinding& binding, bool release) const
{
    if (binding.media == mediaKeyboard) {
        if (!keyPresses)
            return {};
        return release ? PressRecord{keyPresses->releaseTick[binding.code], keyPresses->releaseCount[binding.code]}
                       : PressRecord{keyPresses->tick[binding.code], keyPresses->count[binding.code]};
    }
    const InputJoystick* joystick = padOf(binding);
    const int index = joystick ? switchOf(*joystick, binding) : -1;
    if (index < 0)
        return {};
    const auto at = static_cast<std::size_t>(index);
    const JoystickState& state = joystick->getState();
    return release ? PressRecord{state.releaseTick[at], state.releaseCount[at]}
                   : PressRecord{state.pressTick[at], state.pressCount[at]};
}

bool InputHandler::isDown(const KeyBinding& binding) const
{
    if (binding.media == mediaKeyboard)
        return keyStates && keyStates[binding.code] == 1;
    const InputJoystick* joystick = padOf(binding);
    const int index = joystick ? switchOf(*joystick, binding) : -1;
    return index >= 0 && joystick->getState().switches[static_cast<std::size_t>(index)] != 0;
}

// Which joystick a pad binding reads is decided by the binding's player.
const InputJoystick* InputHandler::padOf(const KeyBinding& binding) const
{
    if (binding.media != mediaJoystick)
        return nullptr;
    const InputJoystick* joystick = binding.player == 1 ? joystick1 : binding.player == 2 ? joystick2 : nullptr;
    return joystick && joystick->isActive() ? joystick : nullptr;
}

// A player action plays on the control the pad's mapping gives it; anything
// else, and an action without one, on the binding's own button 0 to 15.
int InputHandler::switchOf(const InputJoystick& joystick, const KeyBinding& binding)
{
    const int action = binding.target == targetPlayerAction ? binding.action : 0;
    return joystick.switchFor(action, binding.code);
}

void InputHandler::setPlayerMapping(int player, const ControlMapping& mapping)
{
    if (player != 1 && player != 2)
        return;
    playerMappings[static_cast<std::size_t>(player - 1)] = mapping;
    InputJoystick* own = getJoystick(static_cast<std::uint8_t>(player));
    InputJoystick* other = getJoystick(player == 1 ? 2 : 1);
    if (own && other && directInput)
        own->applyMapping(mapping, *directInput, *other);
    // The pad bindings may read other switches now: presses counted on
    // those before are not theirs to fire.
    for (std::size_t i = 0; i < bindings.size(); ++i)
        if (bindings[i].media == mediaJoystick)
            rememberEdges(i);
}

void InputHandler::setPlayerKeys(int player, const ControlMapping& mapping)
{
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        KeyBinding& binding = bindings[i];
        const Control key = mapping.keyFor(binding.action);
        if (binding.player != player || binding.target != targetPlayerAction || binding.media != mediaKeyboard
            || !key.isSet() || key.getNumber() == binding.code)
            continue;
        binding.code = static_cast<std::uint8_t>(key.getNumber());
        rememberEdges(i);
        OutputHandler::log(OutputHandler::find(), "...InputHandler: player #%d registerd %d for %d on media %d", player,
                           binding.code, binding.target, binding.media);
    }
}

const ControlMapping& InputHandler::getPlayerMapping(int player) const
{
    return playerMappings[player == 2 ? 1 : 0];
}

std::vector<std::string> InputHandler::playerDevices(int player) const
{
    std::vector<std::string> devices;
    for (const KeyBinding& binding : bindings) {
        if (binding.player == player && binding.target == targetPlayerAction && binding.media == mediaKeyboard) {
            devices.emplace_back("keyboard");
            break;
        }
    }
    const InputJoystick* joystick = (player == 1 || player == 2) ? getJoystick(static_cast<std::uint8_t>(player)) : nullptr;
    if (joystick && joystick->hasDevice())
        devices.push_back("mat: " + joystick->getDeviceName());
    return devices;
}

// An event nobody receives is dropped.
void InputHandler::dispatch(const KeyBinding& binding, std::uint32_t pressTick, bool newPress) const
{
    switch (binding.target) {
    case targetMainLoop:
        if (receivers.mainLoopKey)
            receivers.mainLoopKey(binding.code);
        break;
    case targetArrowKey:
        if (receivers.arrowKey)
            receivers.arrowKey(binding.code);
        break;
    case targetPlayerAction:
        if (receivers.playerAction)
            receivers.playerAction(binding.player, binding.action, pressTick, newPress);
        break;
    default:
        break;
    }
}

// Only a player's actions tell their releases.
void InputHandler::dispatchRelease(const KeyBinding& binding, std::uint32_t releaseTick) const
{
    if (binding.target == targetPlayerAction && receivers.playerRelease)
        receivers.playerRelease(binding.player, binding.action, releaseTick);
}
