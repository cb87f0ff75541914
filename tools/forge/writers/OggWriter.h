#pragma once

#include "writers/PcmAudio.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace forge {

// Encodes Ogg Vorbis through libsndfile. libsndfile picks a random stream
// serial number; it is replaced by a fixed one (and each page's checksum
// made again) so that the same audio always gives the same bytes.
class OggWriter {
public:
    static constexpr std::uint32_t serialNumber = 0x466C5678;

    // quality: libsndfile's VBR quality, 0 (smallest) to 1 (best).
    static std::vector<std::uint8_t> encode(const PcmAudio& audio, double quality = 0.4);
    static void write(const std::filesystem::path& path, const PcmAudio& audio, double quality = 0.4);
};

} // namespace forge
