#pragma once

#include "flow/Screen.h"

#include <cstdint>
#include <string>
#include <vector>

class Match;

// The Pause key in play: the song clock and the music stop and
// the scene stands still under a menu: go on, start the song again, or back
// to the song panel. Up and Down choose, a slot key takes the choice; the
// pause key again goes on. Going on counts in for `countInMs` first. Across
// two machines the song never stops: the menu offers only going on and
// leaving the battle.
class PauseScreen : public Screen {
public:
    static constexpr std::uint32_t countInMs = 3000;
    static constexpr float menuTopY = 0.9f;
    static constexpr float lineStep = 0.3f;

    enum class Choice { GoOn, StartAgain, BackToSongs };

    explicit PauseScreen(Match& match) : match(match) {}

    // Opens the menu; `songStopped` is false across two machines.
    void open(bool songStopped);
    void enter() override {}
    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) override;
    void onKey(std::uint8_t code) override;
    void update(std::uint32_t tick) override;
    void draw() override;

    Choice getChoice() const { return choices[chosen]; }
    bool isCountingIn() const { return countingIn; }
    // The menu's lines as drawn, top first.
    std::vector<std::string> lines(std::uint32_t tick) const;

private:
    void take(std::uint32_t tick);
    static const char* nameOf(Choice choice, bool songStopped);

    Match& match;
    std::vector<Choice> choices{Choice::GoOn};
    std::size_t chosen = 0;
    bool songStopped = true;
    bool countingIn = false;
    std::uint32_t countInStart = 0;
};
