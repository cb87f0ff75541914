#pragma once

#include "chart/Note.h"
#include "chart/TempoMap.h"

#include <string>
#include <vector>

namespace chart {

// One chart of a song: its steps type, difficulty and notes, and the tempo
// map it is played with (the song's, or its own where an SSC chart has one).
struct Chart {
    std::string stepsType;  // "dance-single"
    std::string difficulty; // as the file names it: "Hard", "MANIAC"
    std::string description; // the author's name for the chart (Edit charts are told apart by it)
    int meter = 0;
    TempoMap tempo;
    std::vector<Note> notes; // by beat, then lane; notes inside warps are left out, those in fake segments are Fake
};

} // namespace chart
