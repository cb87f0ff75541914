#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The geometry of one 3DS triangle mesh, in fixed-capacity arrays.
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

    MeshData()
        : vertices(capacity, Position{0, 0, 0})
        , polygons(capacity, Triangle{0, 0, 0})
        , texCoords(capacity, TexCoord{0, 0})
    {
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
