#pragma once

// Builders for small TGA, BMP and 3DS files, good and hostile.

#include "writers/ByteWriter.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace assetfiles {

using Bytes = std::vector<std::uint8_t>;

inline Bytes cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A TGA: the 12-byte header with the given image type, then width, height,
// bits and descriptor, then `data` as it stands.
inline Bytes tga(std::uint8_t type, std::uint16_t width, std::uint16_t height, std::uint8_t bits, const Bytes& data)
{
    forge::ByteWriter w;
    w.u8(0);
    w.u8(0);
    w.u8(type);
    for (int i = 0; i < 9; ++i)
        w.u8(0);
    w.u16(width);
    w.u16(height);
    w.u8(bits);
    w.u8(0);
    return cat(w.data(), data);
}

// A BMP with 14 + 40 header bytes; pixels (blue, green, red per pixel) are
// written row by row with padding to 4 bytes.
struct BmpSpec {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t infoSize = 40;
    std::uint32_t gap = 0; // bytes between the headers and the pixel data
    std::vector<std::array<std::uint8_t, 3>> pixels;
};

inline Bytes bmp(const BmpSpec& spec)
{
    forge::ByteWriter w;
    w.u8('B');
    w.u8('M');
    w.u32(0);
    w.u32(0);
    w.u32(54 + spec.gap);
    w.u32(spec.infoSize);
    w.i32(spec.width);
    w.i32(spec.height);
    w.u16(1);
    w.u16(spec.bits);
    w.u32(spec.compression);
    for (int i = 0; i < 5; ++i)
        w.u32(0);
    for (std::uint32_t i = 0; i < spec.gap; ++i)
        w.u8(0xEE);
    const std::int64_t rowBytes = spec.width > 0 ? (std::int64_t{spec.width} * 3 + 3) / 4 * 4 : 0;
    std::size_t next = 0;
    for (int row = 0; row < spec.height && next < spec.pixels.size(); ++row) {
        for (int column = 0; column < spec.width; ++column, ++next)
            w.raw(spec.pixels[next].data(), 3);
        for (std::int64_t pad = std::int64_t{spec.width} * 3; pad < rowBytes; ++pad)
            w.u8(0xAB);
    }
    Bytes bytes = w.data();
    forge::ByteWriter size;
    size.u32(static_cast<std::uint32_t>(bytes.size()));
    std::copy(size.data().begin(), size.data().end(), bytes.begin() + 2);
    return bytes;
}

// A 3DS chunk around its body; the length counts the 6 header bytes.
inline Bytes chunk(std::uint16_t id, const Bytes& body)
{
    forge::ByteWriter w;
    w.u16(id);
    w.u32(static_cast<std::uint32_t>(body.size() + 6));
    return cat(w.data(), body);
}

inline Bytes chunkWithLength(std::uint16_t id, std::uint32_t length, const Bytes& body)
{
    forge::ByteWriter w;
    w.u16(id);
    w.u32(length);
    return cat(w.data(), body);
}

inline Bytes vertexList(const std::vector<std::array<float, 3>>& vertices, int count = -1)
{
    forge::ByteWriter w;
    w.u16(static_cast<std::uint16_t>(count < 0 ? vertices.size() : count));
    for (const auto& v : vertices) {
        w.f32(v[0]);
        w.f32(v[1]);
        w.f32(v[2]);
    }
    return chunk(0x4110, w.data());
}

inline Bytes faceList(const std::vector<std::array<std::uint16_t, 3>>& faces, const Bytes& subChunks = {})
{
    forge::ByteWriter w;
    w.u16(static_cast<std::uint16_t>(faces.size()));
    for (const auto& f : faces) {
        w.u16(f[0]);
        w.u16(f[1]);
        w.u16(f[2]);
        w.u16(7);
    }
    return chunk(0x4120, cat(w.data(), subChunks));
}

inline Bytes mapping(const std::vector<std::array<float, 2>>& coords)
{
    forge::ByteWriter w;
    w.u16(static_cast<std::uint16_t>(coords.size()));
    for (const auto& c : coords) {
        w.f32(c[0]);
        w.f32(c[1]);
    }
    return chunk(0x4140, w.data());
}

// main > editor > object(name) > triangular mesh > lists
inline Bytes model(const std::string& name, const Bytes& lists)
{
    forge::ByteWriter objectName;
    objectName.cString(name);
    const Bytes object = chunk(0x4000, cat(objectName.data(), chunk(0x4100, lists)));
    return chunk(0x4D4D, chunk(0x3D3D, object));
}

// A square of two triangles covering x, y in [-1, 1], with mapping coordinates
// from (0, 0) at the bottom left to (1, 1) at the top right.
inline Bytes square()
{
    return model("Square",
        cat(cat(vertexList({{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}), mapping({{0, 0}, {1, 0}, {1, 1}, {0, 1}})),
            faceList({{0, 1, 2}, {0, 2, 3}})));
}

} // namespace assetfiles
