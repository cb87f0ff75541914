#pragma once

#include "library/ChartChoice.h"

#include <string_view>

namespace library {

// Maps the difficulty names of SM, SSC and DWI files onto one order.
class DifficultyOrder {
public:
    // Case-insensitive; DWI's BASIC, ANOTHER, MANIAC and SMANIAC and the old SM
    // names (light, standard, heavy, expert, ...) included; unknown names are Edit.
    static Difficulty of(std::string_view name);
    static const char* name(Difficulty difficulty);
};

} // namespace library
