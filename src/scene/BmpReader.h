#pragma once

#include "scene/DecodedImage.h"

#include <cstdint>
#include <span>
#include <string>

// Decodes 24-bit uncompressed bottom-up BMP files from memory into RGBA pixels
// with alpha 255. Works without OpenGL.
class BmpReader {
public:
    // On failure `error` holds the message, naming `path`, and `image` is empty.
    static bool decode(std::span<const std::uint8_t> bytes, const std::string& path, DecodedImage& image,
        std::string& error);
};
