#pragma once

#include "flow/Screen.h"

class Match;

// While the song runs: every press goes to the arrow manager to be judged
// (directions) or to fire a missile (slots), and every release to judge
// lifts; the song's end leads to the results.
class PlayScreen : public Screen {
public:
    explicit PlayScreen(Match& match) : match(match) {}

    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) override;
    void onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick) override;
    // The Pause key opens the pause menu.
    void onKey(std::uint8_t code) override;
    void update(std::uint32_t tick) override;
    void draw() override;

private:
    Match& match;
};
