#pragma once

#include "BenchTable.h"

// The cost of playing the music at another rate: the decode side decodes and
// stretches a song of `seconds` (the game's song, played again from its start
// until that long) at `rate`, as the decode thread does while it plays, and
// the time it took is set against how long that music plays.
class StretchBench {
public:
    StretchBench(double seconds, double rate) : seconds(seconds), rate(rate) {}

    BenchTable run() const;

private:
    double seconds;
    double rate;
};
