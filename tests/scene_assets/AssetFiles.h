#pragma once

// Small TGA, BMP and 3DS files, good and hostile, built with the forge writers.

#include "writers/BmpWriter.h"
#include "writers/TgaWriter.h"
#include "writers/ThreeDsWriter.h"

#include <optional>
#include <string>

namespace assetfiles {

using Bytes = std::vector<std::uint8_t>;
using Points = std::vector<std::array<float, 3>>;

inline Bytes cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A TGA header of the given type, size and depth, then `data` as it stands.
inline Bytes tga(std::uint8_t type, std::uint16_t width, std::uint16_t height, std::uint8_t bits, const Bytes& data)
{
    forge::ByteWriter w;
    forge::TgaWriter::writeHeader(w, {.imageType = type, .width = width, .height = height, .bitsPerPixel = bits});
    return cat(w.data(), data);
}

// A BMP header, then `data` as it stands (rows bottom-up, blue-green-red, padded).
inline Bytes bmp(const forge::BmpHeader& header, const Bytes& data = {})
{
    forge::ByteWriter w;
    forge::BmpWriter::writeHeader(w, header);
    return cat(w.data(), data);
}

// A 3DS chunk around its body; the length counts the 6 header bytes unless given.
inline Bytes chunk(std::uint16_t id, const Bytes& body, std::optional<std::uint32_t> length = {})
{
    forge::ThreeDsWriter w;
    w.rawChunk(id, length.value_or(static_cast<std::uint32_t>(body.size() + 6)), body);
    return w.data();
}

// A vertex list; a `count` other than its size builds a list cut short.
inline Bytes vertexList(const Points& vertices, int count = -1)
{
    forge::ThreeDsWriter w;
    w.vertexList({"", vertices, {}, {}});
    Bytes bytes = w.data();
    if (count >= 0) {
        bytes[6] = static_cast<std::uint8_t>(count);
        bytes[7] = static_cast<std::uint8_t>(count >> 8);
    }
    return bytes;
}

// A face list with its material and smoothing group sub-chunks.
inline Bytes faceList(const std::vector<std::array<std::uint16_t, 3>>& faces)
{
    forge::ThreeDsWriter w;
    w.faceList({"", {}, {}, faces}, "M");
    return w.data();
}

inline Bytes mapping(const std::vector<std::array<float, 2>>& coords)
{
    forge::ThreeDsWriter w;
    w.mappingCoords({"", {}, coords, {}});
    return w.data();
}

// main > editor > object(name) > triangular mesh > lists
inline Bytes model(const std::string& name, const Bytes& lists)
{
    using Id = forge::ThreeDsWriter::ChunkId;
    forge::ThreeDsWriter w;
    for (const Id id : {Id::Main, Id::Editor, Id::ObjectBlock})
        w.begin(id);
    w.out().cString(name);
    w.begin(Id::TriangleMesh);
    w.out().raw(lists.data(), lists.size());
    for (int open = 0; open < 4; ++open)
        w.end();
    return w.data();
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
