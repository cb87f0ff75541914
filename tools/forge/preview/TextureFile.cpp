#include "preview/TextureFile.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace forge {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t little(const Bytes& bytes, std::size_t offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
    return value;
}

RgbaImage::Pixel readPixel(const Bytes& bytes, std::size_t offset, int bytesPerPixel)
{
    return {bytes[offset + 2], bytes[offset + 1], bytes[offset],
            static_cast<std::uint8_t>(bytesPerPixel == 4 ? bytes[offset + 3] : 255)};
}

std::optional<RgbaImage> loadTga(const Bytes& bytes)
{
    if (bytes.size() < 18 || (bytes[2] != 2 && bytes[2] != 10))
        return std::nullopt;
    const int width = static_cast<int>(little(bytes, 12, 2)), height = static_cast<int>(little(bytes, 14, 2));
    const int depth = bytes[16] / 8;
    if (width == 0 || height == 0 || (depth != 3 && depth != 4))
        return std::nullopt;
    RgbaImage image(width, height);
    const std::size_t total = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::size_t offset = 18, stored = 0;
    auto store = [&](RgbaImage::Pixel pixel) {
        const int index = static_cast<int>(stored++);
        image.set(index % width, height - 1 - index / width, pixel);
    };
    while (stored < total) {
        std::size_t count = 1;
        bool run = false;
        if (bytes[2] == 10) {
            if (offset >= bytes.size())
                return std::nullopt;
            const std::uint8_t header = bytes[offset++];
            run = header >= 128;
            count = (header & 0x7F) + 1u;
        }
        if (stored + count > total)
            return std::nullopt;
        for (std::size_t i = 0; i < count; ++i) {
            if (offset + static_cast<std::size_t>(depth) > bytes.size())
                return std::nullopt;
            store(readPixel(bytes, offset, depth));
            if (!run || i + 1 == count)
                offset += static_cast<std::size_t>(depth);
        }
    }
    return image;
}

std::optional<RgbaImage> loadBmp(const Bytes& bytes)
{
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || little(bytes, 28, 2) != 24)
        return std::nullopt;
    const auto width = static_cast<std::int32_t>(little(bytes, 18, 4));
    const auto height = static_cast<std::int32_t>(little(bytes, 22, 4));
    const std::size_t offset = little(bytes, 10, 4);
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return std::nullopt;
    const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (offset + row * static_cast<std::size_t>(height) > bytes.size())
        return std::nullopt;
    RgbaImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.set(x, height - 1 - y,
                      readPixel(bytes, offset + row * static_cast<std::size_t>(y) + static_cast<std::size_t>(x) * 3, 3));
    return image;
}

} // namespace

std::optional<RgbaImage> TextureFile::load(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto extension = path.extension().string();
    if (extension == ".bmp" || extension == ".BMP")
        return loadBmp(bytes);
    return loadTga(bytes);
}

} // namespace forge
