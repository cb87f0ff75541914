#include "writers/BmpWriter.h"

namespace forge {

std::vector<std::uint8_t> BmpWriter::encode(const RgbaImage& image)
{
    ByteWriter out;
    writeHeader(out, headerFor(image));
    writePixels(out, image);
    return out.data();
}

std::size_t BmpWriter::rowBytes(int width)
{
    return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
}

BmpHeader BmpWriter::headerFor(const RgbaImage& image)
{
    BmpHeader header;
    header.width = image.width();
    header.height = image.height();
    header.imageSize = static_cast<std::uint32_t>(rowBytes(image.width()) * static_cast<std::size_t>(image.height()));
    header.fileSize = header.dataOffset + header.imageSize;
    return header;
}

void BmpWriter::writeHeader(ByteWriter& out, const BmpHeader& header)
{
    out.u8('B');
    out.u8('M');
    out.u32(header.fileSize);
    out.u32(0);
    out.u32(header.dataOffset);
    out.u32(header.infoSize);
    out.i32(header.width);
    out.i32(header.height);
    out.u16(header.planes);
    out.u16(header.bitsPerPixel);
    out.u32(header.compression);
    out.u32(header.imageSize);
    out.i32(header.pixelsPerMetre);
    out.i32(header.pixelsPerMetre);
    out.u32(0);
    out.u32(0);
}

void BmpWriter::writePixels(ByteWriter& out, const RgbaImage& image)
{
    const std::size_t padding = rowBytes(image.width()) - static_cast<std::size_t>(image.width()) * 3;
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            const auto pixel = image.at(x, y);
            out.u8(pixel.b);
            out.u8(pixel.g);
            out.u8(pixel.r);
        }
        for (std::size_t i = 0; i < padding; ++i)
            out.u8(0);
    }
}

} // namespace forge
