#pragma once

#include "flow/Screen.h"

class Match;

// Shown while a network battle is being set up: the host's addresses and
// port to give the other player, or the host being joined, and what went
// wrong. Escape closes the link and returns to the story screen.
class LobbyScreen : public Screen {
public:
    explicit LobbyScreen(Match& match) : match(match) {}

    void onPlayerAction(std::uint8_t, std::uint8_t, std::uint32_t, bool) override {}
    void draw() override;

private:
    Match& match;
};
