#pragma once

#include "audio/TrackPlan.h"

#include <string>
#include <vector>

namespace forge {

// The four dance-single charts of a forged library song. Every step, hold
// head and mine sits on a kick of the music (a beat, or one of the plan's
// extra kicks); the harder charts take more of them. Medium and Hard hold
// arrows, Challenge adds mines.
class TrackCharts {
public:
    static constexpr std::size_t rowsPerBeat = 2;
    static constexpr std::size_t rowsPerMeasure = rowsPerBeat * TrackPlan::beatsPerBar;
    static constexpr int firstBar = 2; // the arrows of beat 8 rise during the first two bars

    struct StepChart {
        std::string difficulty;
        int meter = 0;
        std::vector<std::string> rows; // four columns: left, down, up, right
    };

    static std::vector<StepChart> build(const TrackPlan& plan);
};

} // namespace forge
