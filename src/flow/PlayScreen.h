#pragma once

#include "flow/PlayLine.h"
#include "flow/Screen.h"

#include <string>

class Match;

// While the song runs: every press goes to the arrow manager to be judged
// (directions) or to fire a missile (slots), and every release to judge
// lifts; the song's end leads to the results. The play line at the top
// names the song and the players' charts and shows how far the song is.
class PlayScreen : public Screen {
public:
    explicit PlayScreen(Match& match) : match(match) {}

    // Creates the play line's text.
    void create() { playLine.create(); }
    const PlayLine& getPlayLine() const { return playLine; }

    // The song has started: the play line names it.
    void enter() override;
    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) override;
    void onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick) override;
    // The Pause key opens the pause menu.
    void onKey(std::uint8_t code) override;
    void update(std::uint32_t tick) override;
    void draw() override;

private:
    std::string chartsText() const;
    double songFraction() const;

    Match& match;
    PlayLine playLine;
};
