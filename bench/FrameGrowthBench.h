#pragma once

#include "BenchTable.h"

#include <string>
#include <vector>

// How the frame grows with the particle swarm and with the arrows on the
// field: the "frames" section once per step, each in a process of its own
// (its own empty frame as the floor), measured for a few seconds of play.
// Reports the cost per particle and per live arrow, and for information how
// straight the growth is: the extra cost per unit over the upper step against
// the lower one.
class FrameGrowthBench {
public:
    // The arguments every step's process gets besides its own.
    FrameGrowthBench(std::vector<std::string> arguments, double seconds)
        : arguments(std::move(arguments)), seconds(seconds) {}

    BenchTable run() const;

    // "MaxParticels" of each step; and chart densities (arrows per four beats).
    static const std::vector<int> particleSteps;
    static const std::vector<int> densitySteps;

private:
    BenchTable runStep(const std::string& option, int value) const;

    std::vector<std::string> arguments;
    double seconds;
};
