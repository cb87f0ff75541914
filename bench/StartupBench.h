#pragma once

#include "BenchTable.h"

#include <string>

// Process start to the first frame on screen: the real game against the floor
// of opening its window and showing one empty frame (flarevox-empty-window),
// runs alternating, medians; and the game's time per start-up step. Both note
// their steps through FLAREVOX_STARTUP_TIMES.
class StartupBench {
public:
    StartupBench(std::string gameBinary, std::string floorBinary, int runs)
        : gameBinary(std::move(gameBinary))
        , floorBinary(std::move(floorBinary))
        , runs(runs)
    {
    }

    BenchTable run() const;

    static constexpr double targetRatio = 1.5;

private:
    std::string gameBinary;
    std::string floorBinary;
    int runs;
};
