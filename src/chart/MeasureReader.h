#pragma once

#include "chart/Note.h"

#include <string>
#include <string_view>
#include <vector>

namespace chart {

// Reads the note data of an SM or SSC dance-single chart: measures separated
// by ',', each of any number of rows of four columns (Left, Down, Up, Right).
// '1' tap, '2' hold head, '4' roll head, '3' their tail, 'M' mine, 'F' fake,
// 'L' lift; any other character is empty. Keysounds ("1[3]") and note
// attributes ("1{...}") are skipped. A head without a tail plays as a tap.
class MeasureReader {
public:
    // False with a reason when the chart is too large.
    static bool read(std::string_view data, std::vector<Note>& notes, std::string& error);
};

} // namespace chart
