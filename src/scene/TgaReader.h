#pragma once

#include "scene/DecodedImage.h"

#include <cstdint>
#include <span>
#include <string>

// Decodes true-colour TGA files (type 2 uncompressed, type 10 run-length
// encoded) of 24 or 32 bits from memory. Works without OpenGL.
class TgaReader {
public:
    // On failure `error` holds the message, naming `path`, and `image` is unusable.
    static bool decode(std::span<const std::uint8_t> bytes, const std::string& path, DecodedImage& image,
        std::string& error);
};
