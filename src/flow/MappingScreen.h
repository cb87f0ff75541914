#pragma once

#include "flow/Screen.h"
#include "input/ControlCapture.h"
#include "input/ControlMapping.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class InputHandler;
class Match;

// F8 on the story screen: each player in turn is asked for Up, Right, Down,
// Left and the four slots, and whatever key, pad button, hat or axis
// direction comes next is taken. Escape skips an action (it keeps what it
// had), Backspace goes back one and undoes it, F8 leaves without writing; a
// control the other player already has is refused. At the end only the changed configuration lines
// are written and the mapping plays at once; a write that fails changes
// nothing. A pad unplugged meanwhile ends the screen without writing.
// Player actions do not act here.
class MappingScreen : public Screen {
public:
    static constexpr int steps = 2 * ControlMapping::actionCount;

    enum class State { Asking, Finished };

    explicit MappingScreen(Match& match) : match(match) {}

    void enter() override;
    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) override;
    void onKey(std::uint8_t code) override;
    void update(std::uint32_t tick) override;
    void draw() override;
    bool takesEscape() const override { return true; }

    // What a player plays on, as the story screen shows it: "keyboard",
    // "mat: <name>", or both.
    static std::string devicesOf(int player);

    State getState() const { return state; }
    // The player (1 or 2) and action (1 to 8) asked for now.
    int getPlayer() const { return step / ControlMapping::actionCount + 1; }
    int getAction() const { return step % ControlMapping::actionCount + 1; }
    // The last word: what was taken or refused, or how the end went.
    const std::string& getMessage() const { return message; }

private:
    // The mappings as they stand before a step, so Backspace can undo it.
    struct Draft {
        std::array<ControlMapping, 2> mappings;
        // The pad each player has given a control from on this screen.
        std::array<std::optional<ControlMapping::PadDevice>, 2> pads;
    };

    static InputHandler* findInput();
    void take(const InputHandler& input, const ControlCapture::Captured& captured);
    std::string refusal(const InputHandler& input, const ControlCapture::Captured& captured) const;
    std::optional<ControlMapping::PadDevice> padOf(const InputHandler& input, int player) const;
    void goBack();
    void moveOn();
    void finish();
    void leave(const char* reason);
    std::string playerName(int player) const;
    std::string actionLine() const;

    Match& match;
    ControlCapture capture;
    std::array<ControlMapping, 2> before{};
    Draft draft;
    std::array<Draft, steps> history{};
    int step = 0;
    State state = State::Finished;
    std::string message;
};
