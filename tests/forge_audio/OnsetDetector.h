#pragma once

#include "writers/PcmAudio.h"

#include <vector>

namespace forgetest {

// Finds kick drum onsets blind: the low band (two one-pole low-passes at
// 150 Hz) must jump from below 35 % to above 60 % of its loudest level within
// 10 ms. Returns onset times in milliseconds.
std::vector<double> findKickOnsets(const forge::PcmAudio& audio);

} // namespace forgetest
