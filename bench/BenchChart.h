#pragma once

#include <cstddef>
#include <string>

// Step charts of a chosen density for measuring how the frame grows with the
// arrows on the field. Density counts arrows per four beats (eight half-beat
// steps): 1 is one arrow every fourth beat, 4 one on every beat, 16 two on
// every half beat, the most the note alphabet can spawn.
class BenchChart {
public:
    // `halfBeats` note characters with `density` arrows (0 to 16) spread
    // evenly over every eight; lanes and pairs of lanes take turns.
    static std::string notes(std::size_t halfBeats, int density);
    // A DWI file whose "SINGLE" / "BEGINNER" chart holds the notes.
    static std::string dwi(const std::string& notes, float bpm, int gap);
};
