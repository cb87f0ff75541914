#pragma once

#include "BenchTable.h"

// The song's end on the game thread when the round is kept: a five-minute
// round of two players pressing eight times a second (with releases and a
// missile battle) is completed (RoundRecorder::finish), turned into its
// replay file and handed to the record book with both players' records, as
// RecordKeeper::submit does; the book's own thread writes it meanwhile. The
// slowest of several ends must leave the frame within one display refresh.
class RoundWriteBench {
public:
    BenchTable run() const;
};
