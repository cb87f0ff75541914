#pragma once

#include "BenchTable.h"

// The song clock over a song played on the audio device (SDL's dummy driver
// in the benchmark): its resolution, monotonicity, jitter and drift against
// the frames the device has consumed, the mixing callback's cost, underruns.
class SongClockBench {
public:
    // Plays at most `seconds` of the song (the whole song when longer).
    explicit SongClockBench(double seconds) : seconds(seconds) {}

    BenchTable run() const;

private:
    double seconds;
};
