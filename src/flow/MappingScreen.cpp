#include "flow/MappingScreen.h"

#include "core/ConfigFileParser.h"
#include "core/ConfigFileWriter.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "flow/Calibration.h"
#include "flow/Match.h"
#include "flow/Story.h"
#include "input/InputHandler.h"
#include "input/InputJoystick.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <vector>

namespace {

using platform::VirtualKeys;
constexpr std::array<const char*, ControlMapping::actionCount> actionNames = {
    "Up", "Right", "Down", "Left", "Slot 1", "Slot 2", "Slot 3", "Slot 4"};

const char* actionName(int action)
{
    return actionNames[static_cast<std::size_t>(action - 1)];
}

std::size_t indexOf(int player)
{
    return static_cast<std::size_t>(player - 1);
}

// Keys by their names ("key W"), pad controls in their configuration form.
std::string describe(const Control& control)
{
    if (control.getKind() != Control::Kind::Key)
        return control.format();
    const std::string name = platform::VirtualKeys::keyName(control.getNumber());
    return name.empty() ? control.format() : "key " + name;
}

} // namespace

InputHandler* MappingScreen::findInput()
{
    return ObjectRegistry::instance()->findAs<InputHandler>("InputHandler");
}

std::string MappingScreen::devicesOf(int player)
{
    const InputHandler* input = findInput();
    if (!input)
        return "-";
    std::string text;
    for (const std::string& device : input->playerDevices(player))
        text += (text.empty() ? "" : ", ") + device;
    return text.empty() ? "-" : text;
}

void MappingScreen::enter()
{
    InputHandler* input = findInput();
    if (!input) {
        leave("there is no input");
        return;
    }
    for (int player = 1; player <= 2; ++player)
        before[indexOf(player)] = input->getPlayerMapping(player);
    draft = Draft{before, {}};
    step = 0;
    history[0] = draft;
    state = State::Asking;
    message.clear();
    capture.start(*input);
    OutputHandler::log(OutputHandler::find(), "MappingScreen: started");
}

// Presses are the capture's while it asks; once finished, a new press goes
// back to the song panel (not a key still held from the last answer).
void MappingScreen::onPlayerAction(std::uint8_t, std::uint8_t, std::uint32_t, bool newPress)
{
    if (state == State::Finished && newPress)
        match.showStory();
}

// F8 leaves at any time; while asking, nothing taken so far is kept.
void MappingScreen::onKey(std::uint8_t code)
{
    if (code != VirtualKeys::function(8))
        return;
    if (state == State::Asking)
        leave("left with F8, nothing was written");
    else
        match.showStory();
}

void MappingScreen::update(std::uint32_t)
{
    InputHandler* input = findInput();
    if (state != State::Asking || !input)
        return;
    switch (capture.poll(*input)) {
    case ControlCapture::Status::Waiting:
        return;
    case ControlCapture::Status::DeviceLost:
        leave("a pad was unplugged, nothing was written");
        return;
    case ControlCapture::Status::Captured:
        take(*input, capture.getCaptured());
        if (state == State::Asking)
            capture.start(*input);
        return;
    }
}

// Escape and Backspace steer; other main-loop keys are not the players'.
void MappingScreen::take(const InputHandler& input, const ControlCapture::Captured& captured)
{
    const Control& control = captured.control;
    if (control == Control::key(VirtualKeys::escape)) {
        message = std::string(actionName(getAction())) + " skipped";
        moveOn();
        return;
    }
    if (control == Control::key(VirtualKeys::backspace)) {
        goBack();
        return;
    }
    const std::vector<KeyBinding>& bindings = input.getBindings();
    const bool mainLoopKey = control.getKind() == Control::Kind::Key
        && std::any_of(bindings.begin(), bindings.end(), [&control](const KeyBinding& binding) {
               return binding.target == InputHandler::targetMainLoop && binding.code == control.getNumber();
           });
    if (mainLoopKey)
        return;
    message = refusal(input, captured);
    if (!message.empty())
        return;
    const int player = getPlayer();
    draft.mappings[indexOf(player)].set(getAction(), control);
    if (control.isPad() && !captured.pad.guid.empty()) {
        draft.mappings[indexOf(player)].setPadDevice(captured.pad);
        draft.pads[indexOf(player)] = captured.pad;
    }
    message = std::string(actionName(getAction())) + ": " + describe(control);
    moveOn();
}

// A control the other player has, or a pad control from a second pad of the
// same player, is refused; empty when the control can be taken.
std::string MappingScreen::refusal(const InputHandler& input, const ControlCapture::Captured& captured) const
{
    const int player = getPlayer();
    const int other = 3 - player;
    const Control& control = captured.control;
    const bool samePad = control.isPad() && padOf(input, other) == captured.pad;
    if (const int taken = draft.mappings[indexOf(other)].actionUsing(control, samePad))
        return "Refused: " + describe(control) + " is " + playerName(other) + "'s " + actionName(taken);
    const auto& pad = draft.pads[indexOf(player)];
    if (control.isPad() && pad && *pad != captured.pad)
        return "Refused: " + playerName(player) + " maps another pad, not " + captured.deviceName;
    return {};
}

// The pad a player's pad controls belong to: the one the mapping names, else
// whichever pad the player's joystick holds; none without either.
std::optional<ControlMapping::PadDevice> MappingScreen::padOf(const InputHandler& input, int player) const
{
    const ControlMapping& mapping = draft.mappings[indexOf(player)];
    if (!mapping.getPadDevice().guid.empty())
        return mapping.getPadDevice();
    const InputJoystick* joystick = input.getJoystick(static_cast<std::uint8_t>(player));
    if (joystick && joystick->hasDevice())
        return joystick->getPadDevice();
    return std::nullopt;
}

void MappingScreen::goBack()
{
    if (step == 0)
        return;
    --step;
    draft = history[static_cast<std::size_t>(step)];
    message = std::string("Back to ") + actionName(getAction());
}

void MappingScreen::moveOn()
{
    if (++step == steps) {
        finish();
        return;
    }
    history[static_cast<std::size_t>(step)] = draft;
}

// Only the lines that changed are written, all in one write; the mapping
// plays only once they are written.
void MappingScreen::finish()
{
    state = State::Finished;
    OutputHandler* log = OutputHandler::find();
    std::vector<ConfigFileWriter::Edit> edits;
    for (int player = 1; player <= 2; ++player) {
        const std::string section = "Player" + std::to_string(player);
        for (auto& [key, value] : draft.mappings[indexOf(player)].changedEntries(before[indexOf(player)]))
            edits.push_back({section, std::move(key), std::move(value)});
    }
    if (edits.empty()) {
        message = "Nothing changed";
        OutputHandler::log(log, "MappingScreen: nothing changed");
        return;
    }
    if (!ConfigFileWriter::setValues(Calibration::configPath, edits)) {
        OutputHandler::report(log, Warning, "MappingScreen: Could not write the mapping to '%s', nothing was changed",
                              Calibration::configPath);
        message = std::string("Could not write ") + Calibration::configPath + ", nothing was changed";
        return;
    }
    if (InputHandler* input = findInput()) {
        for (int player = 1; player <= 2; ++player) {
            const ControlMapping& mapping = draft.mappings[indexOf(player)];
            input->setPlayerMapping(player, mapping);
            input->setPlayerKeys(player, mapping);
        }
    }
    OutputHandler::log(log, "MappingScreen: %zu lines saved", edits.size());
    message = "Saved " + std::to_string(edits.size()) + (edits.size() == 1 ? " line" : " lines") + " to "
        + Calibration::configPath;
}

void MappingScreen::leave(const char* reason)
{
    state = State::Finished;
    OutputHandler::log(OutputHandler::find(), "MappingScreen: ended, %s", reason);
    match.showStory();
}

std::string MappingScreen::playerName(int player) const
{
    return story::printable(match.getConfig().getValue("Name", player == 1 ? "Player1" : "Player2"));
}

std::string MappingScreen::actionLine() const
{
    if (state == State::Finished)
        return message;
    return playerName(getPlayer()) + ", press " + actionName(getAction()) + "   (" + std::to_string(step + 1) + " of "
        + std::to_string(steps) + ")";
}

void MappingScreen::draw()
{
    const StoryPage& page = match.getStoryPage();
    page.drawStory();
    page.drawLine(story::panelLineY[0], "Controls   " + playerName(1) + ": " + story::printable(devicesOf(1)) + "    "
                                            + playerName(2) + ": " + story::printable(devicesOf(2)));
    page.drawLine(story::panelLineY[1], actionLine());
    page.drawLine(story::panelLineY[2], state == State::Asking ? story::printable(message) : std::string());
    page.drawLine(story::panelLineY[3], state == State::Asking ? "Escape: skip    Backspace: back    F8: leave unsaved"
                                                               : "A step key or F8: back to the songs");
}
