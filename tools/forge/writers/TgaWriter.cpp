#include "writers/TgaWriter.h"

#include <stdexcept>

namespace forge {
namespace {

constexpr int maxPacketPixels = 128;

void checkDepth(int bitsPerPixel)
{
    if (bitsPerPixel != 24 && bitsPerPixel != 32)
        throw std::invalid_argument("TGA pixels must be 24 or 32 bits");
}

// Length of the run of equal pixels starting at x in row y, at most 128.
int runLength(const RgbaImage& image, int x, int y)
{
    int length = 1;
    while (x + length < image.width() && length < maxPacketPixels
           && image.at(x + length, y) == image.at(x, y))
        ++length;
    return length;
}

} // namespace

std::vector<std::uint8_t> TgaWriter::encode(const RgbaImage& image, Kind kind, int bitsPerPixel)
{
    ByteWriter out;
    writeHeader(out, headerFor(image, kind, bitsPerPixel));
    if (kind == Kind::RunLength)
        writeRunLengthPixels(out, image, bitsPerPixel);
    else
        writeRawPixels(out, image, bitsPerPixel);
    return out.data();
}

TgaHeader TgaWriter::headerFor(const RgbaImage& image, Kind kind, int bitsPerPixel)
{
    checkDepth(bitsPerPixel);
    if (image.width() > 0xFFFF || image.height() > 0xFFFF)
        throw std::invalid_argument("TGA images are at most 65535 pixels wide and high");
    TgaHeader header;
    header.imageType = static_cast<std::uint8_t>(kind);
    header.width = static_cast<std::uint16_t>(image.width());
    header.height = static_cast<std::uint16_t>(image.height());
    header.bitsPerPixel = static_cast<std::uint8_t>(bitsPerPixel);
    // Alpha bits in the low nibble; bottom-left origin.
    header.descriptor = bitsPerPixel == 32 ? 8 : 0;
    return header;
}

void TgaWriter::writeHeader(ByteWriter& out, const TgaHeader& header)
{
    out.u8(header.idLength);
    out.u8(header.colourMapType);
    out.u8(header.imageType);
    out.u16(header.colourMapFirst);
    out.u16(header.colourMapLength);
    out.u8(header.colourMapDepth);
    out.u16(header.xOrigin);
    out.u16(header.yOrigin);
    out.u16(header.width);
    out.u16(header.height);
    out.u8(header.bitsPerPixel);
    out.u8(header.descriptor);
}

void TgaWriter::writeRawPixels(ByteWriter& out, const RgbaImage& image, int bitsPerPixel)
{
    checkDepth(bitsPerPixel);
    for (int y = image.height() - 1; y >= 0; --y)
        for (int x = 0; x < image.width(); ++x)
            writePixel(out, image.at(x, y), bitsPerPixel);
}

void TgaWriter::writeRunLengthPixels(ByteWriter& out, const RgbaImage& image, int bitsPerPixel)
{
    checkDepth(bitsPerPixel);
    for (int y = image.height() - 1; y >= 0; --y) {
        int x = 0;
        std::vector<RgbaImage::Pixel> literal;
        while (x < image.width()) {
            const int run = runLength(image, x, y);
            if (run >= 2) {
                if (!literal.empty())
                    writeRawPacket(out, literal, bitsPerPixel);
                literal.clear();
                writeRunPacket(out, image.at(x, y), run, bitsPerPixel);
                x += run;
                continue;
            }
            literal.push_back(image.at(x, y));
            if (literal.size() == maxPacketPixels) {
                writeRawPacket(out, literal, bitsPerPixel);
                literal.clear();
            }
            ++x;
        }
        if (!literal.empty())
            writeRawPacket(out, literal, bitsPerPixel);
    }
}

void TgaWriter::writeRunPacket(ByteWriter& out, RgbaImage::Pixel pixel, int count, int bitsPerPixel)
{
    out.u8(static_cast<std::uint8_t>(0x80 | ((count - 1) & 0x7F)));
    writePixel(out, pixel, bitsPerPixel);
}

void TgaWriter::writeRawPacket(ByteWriter& out, const std::vector<RgbaImage::Pixel>& pixels,
                               int bitsPerPixel)
{
    out.u8(static_cast<std::uint8_t>((pixels.size() - 1) & 0x7F));
    for (const auto& pixel : pixels)
        writePixel(out, pixel, bitsPerPixel);
}

void TgaWriter::writePixel(ByteWriter& out, RgbaImage::Pixel pixel, int bitsPerPixel)
{
    out.u8(pixel.b);
    out.u8(pixel.g);
    out.u8(pixel.r);
    if (bitsPerPixel == 32)
        out.u8(pixel.a);
}

} // namespace forge
