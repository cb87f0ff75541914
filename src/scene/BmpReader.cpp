#include "scene/BmpReader.h"

#include "scene/ByteCursor.h"
#include "scene/ReadError.h"

#include <new>

namespace {

constexpr std::size_t fileHeaderSize = 14;
constexpr std::uint32_t minimumInfoSize = 40;

struct Headers {
    std::uint32_t dataOffset = 0;
    std::uint32_t infoSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
};

bool readHeaders(ByteCursor& cursor, Headers& headers)
{
    std::uint16_t planes = 0;
    return cursor.seek(10) && cursor.u32(headers.dataOffset) && cursor.u32(headers.infoSize)
        && cursor.i32(headers.width) && cursor.i32(headers.height) && cursor.u16(planes)
        && cursor.u16(headers.bitCount) && cursor.u32(headers.compression);
}

bool decodeBmp(std::span<const std::uint8_t> bytes, const std::string& path, DecodedImage& image, std::string& error)
{
    ByteCursor cursor(bytes);
    Headers headers;
    if (bytes.size() < fileHeaderSize + minimumInfoSize || !readHeaders(cursor, headers))
        return fail(error, "Could not read the header of the bitmap '%s'.", path);
    if (headers.infoSize < minimumInfoSize || headers.bitCount != 24 || headers.compression != 0)
        return fail(error, "Bitmap '%s' is not a 24-bit uncompressed BMP.", path);
    if (fileHeaderSize + std::uint64_t{headers.infoSize} > bytes.size())
        return fail(error, "Could not read the header of the bitmap '%s'.", path);
    if (headers.dataOffset < fileHeaderSize + headers.infoSize)
        return fail(error, "Invalid pixel data offset in the bitmap '%s'.", path);
    if (headers.width <= 0 || headers.height <= 0)
        return fail(error, "Invalid size of the bitmap '%s'.", path);

    // Rows are padded to a multiple of 4 bytes; the last row's padding may be missing.
    const auto width = static_cast<std::uint64_t>(headers.width);
    const auto height = static_cast<std::uint64_t>(headers.height);
    const std::uint64_t rowBytes = (width * 3 + 3) & ~std::uint64_t{3};
    const std::uint64_t dataBytes = rowBytes * (height - 1) + width * 3;
    if (headers.dataOffset > bytes.size() || dataBytes > bytes.size() - headers.dataOffset)
        return fail(error, "Could not read image data from the bitmap '%s'.", path);

    // The file holds at least 3 bytes per pixel, so 4 per pixel fits memory sizes.
    try {
        image.pixels.resize(static_cast<std::size_t>(width * height * 4));
    } catch (const std::bad_alloc&) {
        return fail(error, "Could not allocate memory for the bitmap '%s'.", path);
    }
    const std::uint8_t* data = bytes.data() + headers.dataOffset;
    std::uint8_t* target = image.pixels.data();
    for (std::uint64_t row = 0; row < height; ++row) {
        const std::uint8_t* source = data + row * rowBytes;
        for (std::uint64_t column = 0; column < width; ++column, source += 3, target += 4) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
            target[3] = 255;
        }
    }
    image.width = headers.width;
    image.height = headers.height;
    image.components = 4;
    image.fileBits = 24;
    return true;
}

} // namespace

bool BmpReader::decode(std::span<const std::uint8_t> bytes, const std::string& path, DecodedImage& image,
    std::string& error)
{
    image = DecodedImage{};
    if (decodeBmp(bytes, path, image, error))
        return true;
    image = DecodedImage{};
    return false;
}
