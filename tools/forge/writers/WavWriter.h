#pragma once

#include "writers/PcmAudio.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace forge {

// Writes RIFF/WAVE files with 16-bit PCM: a "fmt " chunk and one "data" chunk,
// nothing else, so the bytes depend on the samples only.
class WavWriter {
public:
    static std::vector<std::uint8_t> encode(const PcmAudio& audio);
    static void write(const std::filesystem::path& path, const PcmAudio& audio);

    // Clamped and rounded to the 16-bit range.
    static std::int16_t toPcm16(float sample);
};

} // namespace forge
