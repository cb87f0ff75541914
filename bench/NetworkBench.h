#pragma once

#include "BenchTable.h"

// The network battle's layer between two sessions on the loopback: how well
// the clock offset is measured, the bytes a player sends per second of a
// song (six presses a second and their points), and what the session's work
// costs a frame.
class NetworkBench {
public:
    explicit NetworkBench(double songSeconds) : songSeconds(songSeconds) {}

    BenchTable run() const;

private:
    double songSeconds;
};
