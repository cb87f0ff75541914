#include "scene/TgaReader.h"

#include "scene/ByteCursor.h"
#include "scene/ReadError.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

namespace {

constexpr std::uint8_t uncompressedTemplate[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::uint8_t runLengthTemplate[12] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};

struct InfoHeader {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t bits = 0;

    bool valid() const { return width != 0 && height != 0 && (bits == 24 || bits == 32); }
    std::size_t bytesPerPixel() const { return bits / 8; }
    std::uint64_t pixelCount() const { return std::uint64_t{width} * height; }
};

bool readInfo(ByteCursor& cursor, InfoHeader& info)
{
    std::uint8_t descriptor = 0;
    return cursor.u16(info.width) && cursor.u16(info.height) && cursor.u8(info.bits) && cursor.u8(descriptor);
}

void describe(const InfoHeader& info, DecodedImage& image)
{
    image.width = info.width;
    image.height = info.height;
    image.components = static_cast<int>(info.bytesPerPixel());
    image.fileBits = info.bits;
}

// Sizes the pixel buffer; false when the size does not fit or memory runs out.
bool allocate(DecodedImage& image, std::uint64_t bytes)
{
    if (bytes > std::numeric_limits<std::size_t>::max())
        return false;
    try {
        image.pixels.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Stored blue, green, red(, alpha) becomes red, green, blue(, alpha).
template <std::size_t BytesPerPixel>
void swapRedBlue(const std::uint8_t* source, std::uint8_t* target, std::size_t pixels)
{
    for (std::size_t i = 0; i < pixels; ++i, source += BytesPerPixel, target += BytesPerPixel) {
        target[0] = source[2];
        target[1] = source[1];
        target[2] = source[0];
        if constexpr (BytesPerPixel == 4)
            target[3] = source[3];
    }
}

void storePixel(const std::uint8_t* source, std::uint8_t* target, std::size_t bytesPerPixel)
{
    if (bytesPerPixel == 4)
        swapRedBlue<4>(source, target, 1);
    else
        swapRedBlue<3>(source, target, 1);
}

bool decodeUncompressed(ByteCursor& cursor, const std::string& path, DecodedImage& image, std::string& error)
{
    InfoHeader info;
    if (!readInfo(cursor, info))
        return fail(error, "Could not read info header of the file '%s'", path);
    if (!info.valid())
        return fail(error, "Invalid texture information of the file '%s'", path);
    const std::uint64_t imageSize = info.pixelCount() * info.bytesPerPixel();
    // A file too short for its image fails before anything is allocated.
    if (imageSize > cursor.remaining()) {
        if (imageSize > std::numeric_limits<std::size_t>::max())
            return fail(error, "Could not allocate memory for the image '%s'", path);
        return fail(error, "Could not read image data from '%s'", path);
    }
    if (!allocate(image, imageSize))
        return fail(error, "Could not allocate memory for the image '%s'", path);
    const std::uint8_t* source = nullptr;
    cursor.take(static_cast<std::size_t>(imageSize), source);
    const auto pixels = static_cast<std::size_t>(info.pixelCount());
    if (info.bytesPerPixel() == 4)
        swapRedBlue<4>(source, image.pixels.data(), pixels);
    else
        swapRedBlue<3>(source, image.pixels.data(), pixels);
    describe(info, image);
    return true;
}

bool decodeRunLength(ByteCursor& cursor, const std::string& path, DecodedImage& image, std::string& error)
{
    InfoHeader info;
    if (!readInfo(cursor, info))
        return fail(error, "Could not read info header from '%s'", path);
    if (!info.valid())
        return fail(error, "Invalid texture information in file '%s'", path);
    const std::size_t bytesPerPixel = info.bytesPerPixel();
    const auto pixelCount = static_cast<std::size_t>(info.pixelCount());
    // Every packet costs at least 1 + bytesPerPixel bytes before it stores
    // anything and stores at most 128 pixels, so the remaining bytes bound what
    // can be stored. A file too short for its image thus fails on a read
    // before it reaches the end of this smaller buffer.
    const std::size_t storable = 128 * (cursor.remaining() / (1 + bytesPerPixel));
    if (!allocate(image, std::uint64_t{std::min(pixelCount, storable)} * bytesPerPixel))
        return fail(error, "Could not allocate memory for image '%s'", path);

    std::uint8_t* target = image.pixels.data();
    std::size_t stored = 0;
    while (stored < pixelCount) {
        std::uint8_t header = 0;
        if (!cursor.u8(header))
            return fail(error, "Could not read RLE header from image '%s'", path);
        const std::uint8_t* pixel = nullptr;
        if (header >= 128) {
            const std::size_t count = header - 127u;
            if (!cursor.take(bytesPerPixel, pixel))
                return fail(error, "Could not read from file '%s'", path);
            if (count > pixelCount - stored)
                return fail(error, "Too many pixels read from file '%s'", path);
            for (std::size_t i = 0; i < count; ++i, target += bytesPerPixel)
                storePixel(pixel, target, bytesPerPixel);
            stored += count;
        } else {
            const std::size_t count = header + 1u;
            if (count > pixelCount - stored)
                return fail(error, "Too many pixels read from file '%s'", path);
            for (std::size_t i = 0; i < count; ++i, target += bytesPerPixel, ++stored) {
                if (!cursor.take(bytesPerPixel, pixel))
                    return fail(error, "Could not read image data from file '%s'", path);
                storePixel(pixel, target, bytesPerPixel);
            }
        }
    }
    describe(info, image);
    return true;
}

} // namespace

bool TgaReader::decode(std::span<const std::uint8_t> bytes, const std::string& path, DecodedImage& image,
    std::string& error)
{
    image = DecodedImage{};
    ByteCursor cursor(bytes);
    const std::uint8_t* header = nullptr;
    if (!cursor.take(sizeof uncompressedTemplate, header))
        return fail(error, "Could not read the header of the file '%s'.", path);
    bool decoded = false;
    if (std::equal(header, header + 12, uncompressedTemplate))
        decoded = decodeUncompressed(cursor, path, image, error);
    else if (std::equal(header, header + 12, runLengthTemplate))
        decoded = decodeRunLength(cursor, path, image, error);
    else
        return fail(error, "TGA file be type 2 or type 10: '%s'.", path);
    if (!decoded)
        image = DecodedImage{};
    return decoded;
}
