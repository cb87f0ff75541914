#pragma once

#include "chart/Beat.h"
#include "chart/Lane.h"

namespace chart {

enum class NoteKind : unsigned char {
    Tap,
    Hold, // held from `beat` to `end`
    Roll, // tapped repeatedly from `beat` to `end`
    Mine,
    Fake, // shown, never judged
    Lift, // judged when the lane is released
};

struct Note {
    Beat beat;
    Beat end; // the tail of a hold or roll; equal to `beat` for taps and mines
    Lane lane = LaneLeft;
    NoteKind kind = NoteKind::Tap;

    bool isHead() const { return kind == NoteKind::Hold || kind == NoteKind::Roll; }
};

} // namespace chart
