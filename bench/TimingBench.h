#pragma once

#include "BenchTable.h"

#include <string>

// The real game in real time on SDL's dummy driver, the whole song, the
// autoplay bot pressing exactly on the beat for player 1: how many of its
// judged presses are "Godlike", and how far from their notes they were
// judged (median and 99th percentile). Run at the natural frame rate, with
// the frame rate held at 20, with one core kept busy, and on the song's
// chart retimed to another tempo.
class TimingBench {
public:
    explicit TimingBench(std::string binary);
    BenchTable run() const;

private:
    std::string binary;
};
