#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The geometry of one 3DS triangle mesh. Each array holds up to `capacity`
// entries and grows, zero-filled, to the largest list read into it, never
// shrinking: entries beyond the last count keep earlier values, and texture
// coordinates cover every vertex. Sizing to the file rather than to the
// capacity spares a small mesh a quarter of a megabyte of fresh pages.
struct MeshData {
    static constexpr int capacity = 8000;
    static constexpr std::size_t objectNameSize = 20;

    struct Position {
        float x, y, z;
    };
    struct Triangle {
        std::uint32_t a, b, c;
    };
    struct TexCoord {
        float u, v;
    };

    // Makes room for `count` entries (at most `capacity`) at the front of `array`.
    template <typename T>
    static void growTo(std::vector<T>& array, std::size_t count)
    {
        if (array.size() < count)
            array.resize(count, T{});
    }

    // The object name up to its terminator or its 20 bytes.
    std::string objectNameText() const
    {
        std::size_t length = 0;
        while (length < objectName.size() && objectName[length] != '\0')
            ++length;
        return std::string(objectName.data(), length);
    }

    std::array<char, objectNameSize> objectName{};
    std::int32_t vertexCount = 0;
    std::int32_t polygonCount = 0;
    std::vector<Position> vertices;
    std::vector<Triangle> polygons;
    std::vector<TexCoord> texCoords;
};
