#pragma once

#include "writers/RgbaImage.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace forge {

// Minimal PNG output (previews, the desktop icon): 8-bit RGBA, deflate with stored blocks
// only, so no compression library is needed.
class PngWriter {
public:
    static std::vector<std::uint8_t> encode(const RgbaImage& image);
    static void write(const std::filesystem::path& path, const RgbaImage& image);
};

} // namespace forge
