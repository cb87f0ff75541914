#pragma once

#include "chart/Chart.h"
#include "flow/Screen.h"
#include "game/PracticeLoop.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class Match;

// Practice on a loop, on the song the panel chose. First the loop's measures
// are chosen: either player's Left and Right move its first measure, Up and
// Down its last, and each shows its number and its first rows of notes. A
// slot key then plays them over and over, each pass after a short lead-in,
// at the chosen rate, judged as in a round. Escape leaves: while choosing
// back to the song panel, while playing to the results of all the passes
// together. Nothing of it is recorded.
class PracticeScreen : public Screen {
public:
    explicit PracticeScreen(Match& match) : match(match) {}

    // The arrow manager holds the whole song: its charts are kept for the loop.
    void enter() override;
    void onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress) override;
    void onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick) override;
    // A pass that is over starts the next.
    void update(std::uint32_t tick) override;
    void draw() override;
    bool takesEscape() const override { return true; }
    bool takeEscape();

    // Sets the loop's measures (counted from 0): false with a line in the
    // log and on the screen when clamped or refused.
    bool choose(int first, int last);
    // Plays the loop from its first pass, as of `tick`.
    void play(std::uint32_t tick);
    bool isPlaying() const { return playing; }
    int getPasses() const { return passes; }
    // Where the pass that plays started, in song time.
    double getPassStartMs() const { return passStartMs; }
    const PracticeLoop* getLoop() const { return loop.get(); }
    const std::string& getProblem() const { return problem; }

private:
    void startPass(std::uint32_t tick);
    bool arrowsOpen() const;
    std::string measureLine(const char* which, int measure) const;

    Match& match;
    std::array<chart::Chart, 2> charts;
    std::unique_ptr<PracticeLoop> loop;
    std::string problem;
    bool playing = false;
    int passes = 0;
    double passStartMs = 0.0;
};
