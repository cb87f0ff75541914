#pragma once

// Small decoders written from the game's reading rules, independent of the
// forge's writers, so that writer bugs cannot hide in a shared decoder.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace forgetest {

using Bytes = std::vector<std::uint8_t>;

Bytes readBytes(const std::string& path);

struct DecodedTga {
    int type = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<std::array<std::uint8_t, 4>> rgba; // bottom row first, as stored
    std::size_t bytesUsed = 0;
};

// Accepts only the 12-byte header templates of types 2 and 10 and 24 or 32
// bits; a run-length stream must not store more pixels than the image holds.
std::optional<DecodedTga> decodeTga(const Bytes& file);

struct ThreeDsContents {
    std::string objectName;
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<std::uint16_t, 3>> faces;
    std::vector<std::array<float, 2>> texCoords;
};

// Walks the chunks as the game does: descends into main, editor, object and
// mesh chunks, reads vertex, face and mapping lists, skips the rest by length.
// Gives nothing for chunk lengths below 6 or data beyond the file's end.
std::optional<ThreeDsContents> readThreeDs(const Bytes& file);

} // namespace forgetest
