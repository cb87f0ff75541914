#pragma once

#include "writers/PcmAudio.h"

#include <filesystem>

namespace forge {

// Encodes MPEG-1 Layer III through libsndfile at a constant bit rate.
class Mp3Writer {
public:
    // quality: libsndfile's compression level, 0 (best, highest bit rate) to 1.
    static void write(const std::filesystem::path& path, const PcmAudio& audio, double quality = 0.2);
};

} // namespace forge
