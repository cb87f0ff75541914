#pragma once

#include "chart/Chart.h"
#include "chart/TempoMap.h"

#include <optional>
#include <string>
#include <string_view>

// A player's scroll speed: a multiple of one unit per beat ("1.5x", from 0.5x
// to 8x in steps of 0.25), or a constant speed ("M300"): the song's fastest
// section scrolls at that many units per minute, the others slower in
// proportion. Arrow heights, in beats from the goal line, are multiplied by
// `factor`; 1x is exactly one unit per beat. Judging is by time, so the speed
// never changes a judgement.
class ScrollSpeed {
public:
    static constexpr int minQuarters = 2;  // 0.5x
    static constexpr int maxQuarters = 32; // 8x
    static constexpr int minConstant = 50;
    static constexpr int maxConstant = 1000;
    static constexpr int constantStep = 10;
    // Tempo sections shorter than this (a jump written as a huge tempo) do not
    // count as the fastest section.
    static constexpr double shortestSectionSeconds = 1.0;

    // 1x.
    ScrollSpeed() = default;
    static ScrollSpeed multiplier(int quarters);
    static ScrollSpeed constant(int bpm);

    // "1.5x", "2X", " 0.75x " or "M300", "m300"; nothing for text that is not
    // a speed, or one out of range or between steps.
    static std::optional<ScrollSpeed> parse(std::string_view text);
    // As `parse` reads it: "1.5x", "2x", "M300".
    std::string format() const;

    // The speed whose factor for the chart is `wanted` (a recorded round's):
    // a multiplier where one gives it, else the nearest constant speed.
    static ScrollSpeed withFactor(double wanted, const chart::Chart& chart);

    // The next speed up or down of the same kind; the ends stay.
    ScrollSpeed faster() const;
    ScrollSpeed slower() const;

    bool isConstant() const { return constantBpm > 0; }
    // The height factor for a song whose fastest section has `highestBpm`.
    double factor(double highestBpm) const;
    double factor(const chart::Chart& chart) const;

    // The highest tempo among the sections up to `lastBeat` that last at least
    // `shortestSectionSeconds` (stops not counted); where none does, the tempo
    // of the longest one. Negative tempos (jumps) are left out.
    static double highestBpm(const chart::TempoMap& tempo, double lastBeat);

    friend bool operator==(const ScrollSpeed&, const ScrollSpeed&) = default;

private:
    int quarters = 4;
    int constantBpm = 0; // 0 for a multiplier
};
