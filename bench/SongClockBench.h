#pragma once

#include "BenchTable.h"

// The song clock over a song played on the audio device (SDL's dummy driver
// in the benchmark): its resolution, monotonicity, jitter and drift against
// the frames the device has consumed, the mixing callback's cost, underruns.
class SongClockBench {
public:
    // Plays at most `seconds` of the song (the whole song when longer), with
    // one core kept busy by another process when asked.
    SongClockBench(double seconds, bool oneCoreBusy) : seconds(seconds), oneCoreBusy(oneCoreBusy) {}

    BenchTable run() const;

private:
    double seconds;
    bool oneCoreBusy;
};
