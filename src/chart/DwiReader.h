#pragma once

#include "chart/Song.h"

#include <string_view>

namespace chart {

// Reads a DWI file: #TITLE, #ARTIST, #FILE, #BPM, #GAP (ms of music before
// beat 0), #CHANGEBPM and #FREEZE (positions in 1/16 notes, freezes in ms),
// #DISPLAYBPM, #SAMPLESTART and #SAMPLELENGTH (seconds with a decimal point,
// whole milliseconds otherwise) and the #SINGLE charts of every difficulty;
// DOUBLE, COUPLE and SOLO charts are skipped. DWI has no '\' escapes.
//
// Notes: each character is an 8th note; ( ) 16ths, [ ] 24ths, { } 64ths,
// ` ' 192nds; <...> one row of several characters; "x!y" steps x and holds
// the arrows of y, each until the next step on its arrow. Characters are the
// numeric keypad (8 up, 2 down, 4 left, 6 right, 7 9 1 3 diagonals, A up-down,
// B left-right); 6-panel codes count as their four-panel arrows.
class DwiReader {
public:
    static ReadResult read(std::string_view text);
};

} // namespace chart
