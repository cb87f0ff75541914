#pragma once

#include <string>

namespace soundtest {

enum class ToneFormat { Wav16, WavFloat, Mp3 };

// Writes a sound file of `seconds` seconds whose every sample is `level`
// (a constant level survives resampling, so tests can check it exactly).
bool writeLevelFile(const std::string& path, double seconds, int rate, int channels, float level,
                    ToneFormat format = ToneFormat::Wav16);

} // namespace soundtest
