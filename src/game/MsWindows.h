#pragma once

#include "game/Judgements.h"

#include <array>

// The judgement windows of a player's song: the game's own song judges by
// distance in beats, which at its 128 BPM is these milliseconds either side
// of a note; a player's song keeps them at every tempo.
class MsWindows {
public:
    // A press strictly closer to its note than the bound earns the word of
    // the same place in the judgement table ("Godlike" to "Booo").
    static constexpr std::array<double, Judgements::count> boundsMs{23.4, 46.9, 93.8, 140.6, 234.4};

    // The quality of a press `distanceMs` from its note (either side): one
    // the judgement table maps to the word of its window, 0 outside them.
    static float qualityFor(double distanceMs);
};
