#include "platform/ImageDecoder.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

namespace platform {

namespace {

enum class Format { Png, Jpeg, Bmp };

struct Size {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

std::uint32_t bigEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = value << 8 | bytes[at + i];
    return value;
}

std::uint32_t littleEndian32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8
        | static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::optional<Format> formatOf(std::span<const std::uint8_t> bytes)
{
    static constexpr std::uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= sizeof png && std::memcmp(bytes.data(), png, sizeof png) == 0)
        return Format::Png;
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return Format::Jpeg;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return Format::Bmp;
    return std::nullopt;
}

// The first frame header's size: a start-of-frame marker (C0 to CF but for
// C4 DHT, C8 JPG and CC DAC) holds height, then width.
std::optional<Size> jpegSize(std::span<const std::uint8_t> bytes)
{
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF)
            return std::nullopt;
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += marker == 0xFF ? 1 : 2;
            continue;
        }
        const std::size_t length = bigEndian(bytes, at + 2, 2);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && at + 9 <= bytes.size())
            return Size{bigEndian(bytes, at + 7, 2), bigEndian(bytes, at + 5, 2)};
        at += 2 + length;
    }
    return std::nullopt;
}

// The size the header claims, read without decoding anything.
std::optional<Size> claimedSize(std::span<const std::uint8_t> bytes, Format format)
{
    switch (format) {
    case Format::Png:
        if (bytes.size() < 24)
            return std::nullopt;
        return Size{bigEndian(bytes, 16, 4), bigEndian(bytes, 20, 4)};
    case Format::Bmp: {
        if (bytes.size() >= 22 && littleEndian32(bytes, 14) == 12) // the old OS/2 header: 16-bit sizes
            return Size{littleEndian32(bytes, 18) & 0xFFFFu, littleEndian32(bytes, 18) >> 16};
        if (bytes.size() < 26)
            return std::nullopt;
        const auto height = static_cast<std::int32_t>(littleEndian32(bytes, 22));
        const std::uint32_t rows = height < 0 ? 0u - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height);
        return Size{littleEndian32(bytes, 18), rows};
    }
    case Format::Jpeg:
        break;
    }
    return jpegSize(bytes);
}

SDL_Surface* load(SDL_RWops* source, Format format)
{
    switch (format) {
    case Format::Png: return IMG_LoadPNG_RW(source);
    case Format::Jpeg: return IMG_LoadJPG_RW(source);
    case Format::Bmp: break;
    }
    return IMG_LoadBMP_RW(source);
}

bool fail(std::string& error, std::string reason)
{
    error = std::move(reason);
    return false;
}

} // namespace

bool ImageDecoder::decode(std::span<const std::uint8_t> bytes, RgbaPixels& image, std::string& error)
{
    image = {};
    const std::optional<Format> format = formatOf(bytes);
    if (!format)
        return fail(error, "not a PNG, JPEG or BMP image");
    const std::optional<Size> size = claimedSize(bytes, *format);
    if (!size || size->width == 0 || size->height == 0)
        return fail(error, "the image header is damaged");
    if (size->width > maxSide || size->height > maxSide)
        return fail(error, "larger than " + std::to_string(maxSide) + " pixels on a side");
    using SurfacePointer = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SurfacePointer decoded(source ? load(source, *format) : nullptr, SDL_FreeSurface);
    if (source)
        SDL_RWclose(source);
    if (!decoded)
        return fail(error, std::string("cannot be decoded: ") + IMG_GetError());
    SurfacePointer rgba(SDL_ConvertSurfaceFormat(decoded.get(), SDL_PIXELFORMAT_RGBA32, 0), SDL_FreeSurface);
    if (!rgba || rgba->w <= 0 || rgba->h <= 0 || rgba->w > maxSide || rgba->h > maxSide)
        return fail(error, std::string("cannot be converted to RGBA: ") + SDL_GetError());
    image.width = rgba->w;
    image.height = rgba->h;
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    image.pixels.resize(rowBytes * static_cast<std::size_t>(image.height));
    const auto* rows = static_cast<const std::uint8_t*>(rgba->pixels);
    for (int row = 0; row < image.height; ++row)
        std::memcpy(image.pixels.data() + static_cast<std::size_t>(image.height - 1 - row) * rowBytes,
            rows + static_cast<std::size_t>(row) * static_cast<std::size_t>(rgba->pitch), rowBytes);
    return true;
}

bool ImageDecoder::decodeFile(const std::filesystem::path& path, RgbaPixels& image, std::string& error)
{
    image = {};
    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(path, sizeError);
    if (sizeError)
        return fail(error, "cannot open the file");
    if (size > maxFileBytes)
        return fail(error, "larger than " + std::to_string(maxFileBytes >> 20) + " MiB");
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
        return fail(error, "cannot read the file");
    return decode(bytes, image, error);
}

void ImageDecoder::endThread()
{
    SDL_TLSCleanup();
}

} // namespace platform
