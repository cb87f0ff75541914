#pragma once

#include "flow/NetPlan.h"
#include "flow/Screen.h"
#include "flow/TypedKeys.h"

#include <cstdint>
#include <optional>
#include <string>

class Match;

// F12 on the story screen: the room code or the address of the host to
// join, typed on the keyboard as CODE, HOST or HOST:PORT (letters, digits,
// '.', ':' and '-'; the default port without one). Backspace takes back the last character, Enter
// joins, Escape returns to the story screen. Player actions do not act here.
class AddressEntryScreen : public Screen {
public:
    static constexpr std::size_t maxLength = 64;

    explicit AddressEntryScreen(Match& match) : match(match) {}

    void enter() override;
    void onPlayerAction(std::uint8_t, std::uint8_t, std::uint32_t, bool) override {}
    void update(std::uint32_t tick) override;
    void draw() override;
    bool takesEscape() const override { return true; }

    const std::string& getText() const { return text; }
    // Why Enter did not join, or empty.
    const std::string& getProblem() const { return problem; }

    // CODE, HOST or HOST:PORT as a plan to join it (six letters may be
    // either a code or a host); nothing, with the reason in `reason`, when
    // it is not one.
    static std::optional<NetPlan> parse(const std::string& address, std::string& reason);

private:
    void type(std::uint8_t code);
    void submit();

    Match& match;
    std::string text;
    std::string problem;
    // How often each key had gone down when last looked at.
    TypedKeys typed;
};
