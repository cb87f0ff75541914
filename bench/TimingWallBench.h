#pragma once

#include "BenchTable.h"

// The real game in real time through a desktop sound server (PulseAudio's
// null sink, started and stopped by the bench), player 1's keys pressed
// through the X server at the wall-clock moments of the song's notes: the
// drift of the judged distances through the song against the sink's own
// (recorded from its monitor), their spread around their line, and the
// farthest press from their mean (within "Godlike" once the offset is
// calibrated away). At the natural frame rate and at FLAREVOX_MAX_FPS=20,
// each twice in a row.
class TimingWallBench {
public:
    BenchTable run() const;
};
