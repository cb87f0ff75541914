#pragma once

#include "writers/ByteWriter.h"
#include "writers/RgbaImage.h"

#include <cstdint>
#include <vector>

namespace forge {

// Every field of the 18-byte TGA header. The defaults are the only form the
// game accepts: no image ID, no colour map, origin (0, 0). Tests change any
// field to build files the game must refuse.
struct TgaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t colourMapType = 0;
    std::uint8_t imageType = 2;
    std::uint16_t colourMapFirst = 0;
    std::uint16_t colourMapLength = 0;
    std::uint8_t colourMapDepth = 0;
    std::uint16_t xOrigin = 0;
    std::uint16_t yOrigin = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t bitsPerPixel = 24;
    std::uint8_t descriptor = 0;
};

// True-colour TGA files: type 2 (uncompressed) or type 10 (run-length
// encoded), 24 or 32 bits, rows bottom-up, pixels stored blue, green, red(, alpha).
class TgaWriter {
public:
    enum class Kind : std::uint8_t { Uncompressed = 2, RunLength = 10 };

    static std::vector<std::uint8_t> encode(const RgbaImage& image, Kind kind, int bitsPerPixel);

    // The header encode() writes for an image; a starting point for variants.
    static TgaHeader headerFor(const RgbaImage& image, Kind kind, int bitsPerPixel);
    static void writeHeader(ByteWriter& out, const TgaHeader& header);
    static void writeRawPixels(ByteWriter& out, const RgbaImage& image, int bitsPerPixel);
    // Run-length packets; a packet never crosses the end of a row.
    static void writeRunLengthPixels(ByteWriter& out, const RgbaImage& image, int bitsPerPixel);
    // One packet: a run repeats pixel count times (1..128), a raw packet holds
    // the given pixels (1..128). Out-of-range counts are written as given, for tests.
    static void writeRunPacket(ByteWriter& out, RgbaImage::Pixel pixel, int count, int bitsPerPixel);
    static void writeRawPacket(ByteWriter& out, const std::vector<RgbaImage::Pixel>& pixels,
                               int bitsPerPixel);
    static void writePixel(ByteWriter& out, RgbaImage::Pixel pixel, int bitsPerPixel);
};

} // namespace forge
