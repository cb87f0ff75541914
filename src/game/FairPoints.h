#pragma once

#include "chart/Chart.h"

#include <array>
#include <cstdint>

// Points that make a battle fair when the players play charts of different
// sizes. Each player's points are counted as the game always counts them;
// what is shown, compared and awarded is the total scaled by
//     smaller flawless maximum / the player's own flawless maximum,
// rounded down. Scaling the total rather than each press keeps the rounding
// from adding up, so a flawless run scores exactly the smaller maximum on
// either chart and two flawless runs tie. With equal maxima (the same chart)
// the points are exactly the game's own.
class FairPoints {
public:
    // "Godlike" and a hold kept ("OK").
    static constexpr std::uint64_t notePoints = 800;
    static constexpr std::uint64_t holdPoints = 400;

    // Every tap and every head of a hold or roll "Godlike", every hold and
    // roll kept; mines earn nothing.
    static std::uint64_t flawlessMaximum(std::uint64_t judgedNotes, std::uint64_t holds);
    static std::uint64_t flawlessMaximum(const chart::Chart& chart);

    // Both players on the same chart: no scaling.
    FairPoints() = default;
    // The flawless maxima of player 1's and player 2's charts. Where either is
    // 0 (a chart without notes) nothing is scaled.
    FairPoints(std::uint64_t maximum1, std::uint64_t maximum2);

    // The points of player 1 or 2 as they count in the battle.
    std::uint32_t scaled(int player, std::uint32_t points) const;
    bool scales() const { return own[0] != own[1]; }

private:
    std::array<std::uint64_t, 2> own{1, 1};
    std::uint64_t smaller = 1;
};
