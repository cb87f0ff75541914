#pragma once

#include "flow/OffsetKeys.h"
#include "flow/ResultsBoard.h"
#include "flow/Screen.h"
#include "flow/SyncKeys.h"

#include <cstddef>
#include <cstdint>
#include <string>

class Match;

// After the song: the winner (the arrow manager's text) and each player's
// results column over the scene. Late presses are still judged and the
// results follow the totals. From `nextRoundAfterMs` after the song's end a
// new slot press starts another round, as a line then says. Comma and period
// move the song's own sync for the rounds after, shown under the results.
// After a practice the passes' results show, and a slot key or Escape goes
// back to the song panel.
class ResultsScreen : public Screen {
public:
    static constexpr std::uint32_t nextRoundAfterMs = 3000;
    // This round again, as a replay; and the round as a file in the
    // player's folder (ReplayShelf::exportRound).
    static constexpr std::uint8_t watchAgainKey = 0x7B;  // F12
    static constexpr std::uint8_t exportKey = 0x7A;      // F11

    explicit ResultsScreen(Match& match) : match(match) {}

    // Above the goal arrows, clear of the dancer and the results columns.
    static constexpr float winnerX = -3.0f;
    static constexpr float winnerY = 3.0f;
    // The song's own sync: at the left edge, above the hint, clear of the dancer.
    static constexpr float syncX = -4.5f;
    static constexpr float syncY = -2.65f;

    // Creates the results columns, hidden, and moves the winner text to its place.
    void create();
    void hide();
    const ResultsBoard& getBoard() const { return board; }
    const OffsetKeys& getOffsetKeys() const { return offsetKeys; }

    // Whether the results are a practice's (shown next).
    void setPractice(bool practised) { practice = practised; }
    bool isPractice() const { return practice; }

    void enter() override { syncKeys.reset(); }
    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) override;
    void onKey(std::uint8_t code) override;
    void update(std::uint32_t tick) override;
    void draw() override;
    bool takesEscape() const override { return practice; }
    // The line under the results about the song's own sync; empty for the
    // game's own song.
    std::string syncLine() const;

private:
    void showCounts(int player);
    // The timing plots, again whenever a late press or a miss changed them.
    void showTiming();
    // The winner of the round judged again, marked so.
    void showRejudgedWinner();

    Match& match;
    ResultsBoard board;
    OffsetKeys offsetKeys;
    // Presses and misses of both players the plots show.
    std::size_t timingShown = 0;
    SyncKeys syncKeys;
    bool practice = false;
};
