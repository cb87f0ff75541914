#pragma once

#include "flow/ResultsBoard.h"
#include "flow/Screen.h"

#include <cstddef>
#include <cstdint>

class Match;

// After the song: the winner (the arrow manager's text) and each player's
// results column over the scene. Late presses are still judged and the
// results follow the totals. From `nextRoundAfterMs` after the song's end a
// new slot press starts another round, as a line then says.
class ResultsScreen : public Screen {
public:
    static constexpr std::uint32_t nextRoundAfterMs = 3000;

    explicit ResultsScreen(Match& match) : match(match) {}

    // Above the goal arrows, clear of the dancer and the results columns.
    static constexpr float winnerX = -3.0f;
    static constexpr float winnerY = 3.0f;

    // Creates the results columns, hidden, and moves the winner text to its place.
    void create();
    void hide();
    const ResultsBoard& getBoard() const { return board; }

    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) override;
    void update(std::uint32_t tick) override;
    void draw() override;

private:
    void showCounts(int player);
    // The timing plots, again whenever a late press or a miss changed them.
    void showTiming();

    Match& match;
    ResultsBoard board;
    // Presses and misses of both players the plots show.
    std::size_t timingShown = 0;
};
