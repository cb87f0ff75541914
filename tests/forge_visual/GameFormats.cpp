#include "GameFormats.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace forgetest {
namespace {

std::uint32_t le(const Bytes& b, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | b[at + static_cast<std::size_t>(i)];
    return value;
}

float leFloat(const Bytes& b, std::size_t at)
{
    const std::uint32_t bits = le(b, at, 4);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

} // namespace

Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::optional<DecodedTga> decodeTga(const Bytes& file)
{
    if (file.size() < 18)
        return std::nullopt;
    for (int i = 0; i < 12; ++i)
        if (i != 2 && file[static_cast<std::size_t>(i)] != 0)
            return std::nullopt;
    DecodedTga tga;
    tga.type = file[2];
    tga.width = static_cast<int>(le(file, 12, 2));
    tga.height = static_cast<int>(le(file, 14, 2));
    tga.bitsPerPixel = file[16];
    if ((tga.type != 2 && tga.type != 10) || tga.width == 0 || tga.height == 0
        || (tga.bitsPerPixel != 24 && tga.bitsPerPixel != 32))
        return std::nullopt;
    const std::size_t depth = static_cast<std::size_t>(tga.bitsPerPixel / 8);
    const std::size_t total = static_cast<std::size_t>(tga.width) * static_cast<std::size_t>(tga.height);
    std::size_t at = 18;
    auto pixel = [&](std::size_t offset) {
        return std::array<std::uint8_t, 4>{file[offset + 2], file[offset + 1], file[offset],
                                           depth == 4 ? file[offset + 3] : std::uint8_t{255}};
    };
    while (tga.rgba.size() < total) {
        std::size_t count = total;
        bool run = false;
        if (tga.type == 10) {
            if (at >= file.size())
                return std::nullopt;
            run = file[at] >= 128;
            count = (file[at] & 0x7Fu) + 1u;
            ++at;
            if (tga.rgba.size() + count > total)
                return std::nullopt;
        }
        const std::size_t stored = run ? 1 : count;
        if (at + stored * depth > file.size())
            return std::nullopt;
        for (std::size_t i = 0; i < count; ++i)
            tga.rgba.push_back(pixel(at + (run ? 0 : i * depth)));
        at += stored * depth;
    }
    tga.bytesUsed = at;
    return tga;
}

std::optional<ThreeDsContents> readThreeDs(const Bytes& file)
{
    ThreeDsContents out;
    std::size_t at = 0;
    auto fits = [&](std::size_t size) { return size <= file.size() - at; };
    while (at < file.size()) {
        if (!fits(6))
            return std::nullopt;
        const auto id = le(file, at, 2);
        const auto length = le(file, at + 2, 4);
        at += 6;
        if (length < 6)
            return std::nullopt;
        if (id == 0x4D4D || id == 0x3D3D || id == 0x4100)
            continue;
        if (id == 0x4000) {
            out.objectName.clear();
            while (fits(1) && file[at] != 0)
                out.objectName += static_cast<char>(file[at++]);
            if (!fits(1))
                return std::nullopt;
            ++at;
            continue;
        }
        if (id == 0x4110 || id == 0x4120 || id == 0x4140) {
            if (!fits(2))
                return std::nullopt;
            const std::size_t count = le(file, at, 2);
            at += 2;
            const std::size_t itemSize = id == 0x4110 ? 12 : 8;
            if (!fits(count * itemSize))
                return std::nullopt;
            for (std::size_t i = 0; i < count; ++i, at += itemSize) {
                if (id == 0x4110)
                    out.vertices.push_back({leFloat(file, at), leFloat(file, at + 4), leFloat(file, at + 8)});
                else if (id == 0x4140)
                    out.texCoords.push_back({leFloat(file, at), leFloat(file, at + 4)});
                else
                    out.faces.push_back({static_cast<std::uint16_t>(le(file, at, 2)),
                                         static_cast<std::uint16_t>(le(file, at + 2, 2)),
                                         static_cast<std::uint16_t>(le(file, at + 4, 2))});
            }
            continue;
        }
        if (!fits(length - 6))
            return std::nullopt;
        at += length - 6;
    }
    return out;
}

} // namespace forgetest
