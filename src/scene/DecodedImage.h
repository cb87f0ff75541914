#pragma once

#include <cstdint>
#include <vector>

// Pixels decoded from a texture file, ready for upload: rows bottom first,
// each pixel red, green, blue and (with four components) alpha.
struct DecodedImage {
    int width = 0;
    int height = 0;
    int components = 0;   // 3 (RGB) or 4 (RGBA)
    int fileBits = 0;     // bits per pixel as stored in the file
    std::vector<std::uint8_t> pixels;
};
