#pragma once

#include "writers/ByteWriter.h"
#include "writers/RgbaImage.h"

#include <cstdint>
#include <vector>

namespace forge {

// The 14-byte file header and 40-byte information header of a BMP file. The
// defaults describe an uncompressed 24-bit bottom-up image; tests change any
// field to build odd or hostile files.
struct BmpHeader {
    std::uint32_t fileSize = 0;
    std::uint32_t dataOffset = 54;
    std::uint32_t infoSize = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::int32_t pixelsPerMetre = 2835;
};

// 24-bit uncompressed BMP files: rows bottom-up, each padded to four bytes,
// pixels stored blue, green, red. Alpha is dropped.
class BmpWriter {
public:
    static std::vector<std::uint8_t> encode(const RgbaImage& image);

    static std::size_t rowBytes(int width);
    static BmpHeader headerFor(const RgbaImage& image);
    static void writeHeader(ByteWriter& out, const BmpHeader& header);
    static void writePixels(ByteWriter& out, const RgbaImage& image);
};

} // namespace forge
