#pragma once

#include <cstddef>
#include <cstdint>

// A player's run of good steps. "Great" or better adds one; "Good", "Booo",
// an arrow that passed unhit (a blocked lane's too), a hold let go ("NG") or
// a mine set off ends it. A hold kept adds nothing. A full combo is a round
// with at least one step in which the run was never ended.
class Combo {
public:
    // The run is shown under the judgement word from this length on.
    static constexpr std::uint32_t shownFrom = 4;
    // Judgements are counted best first: "Godlike", "Perfect", "Great", ...
    static constexpr std::size_t lastKeeping = 2;

    void judged(std::size_t judgement);
    void missed();
    void holdLetGo();
    void mineHit();
    // A new round.
    void reset();

    std::uint32_t current() const { return run; }
    std::uint32_t highest() const { return best; }
    bool shown() const { return run >= shownFrom; }
    bool fullCombo() const { return best > 0 && !broken; }

private:
    void end();

    std::uint32_t run = 0;
    std::uint32_t best = 0;
    bool broken = false;
};
