#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace forge {

// Encodes MilkShape 3D binary models: header, vertices, triangles, groups,
// materials, then the animation block with its joints and keyframes. Every
// field is written as given, so tests can build broken files on purpose.
class Ms3dWriter {
public:
    using Vec3 = std::array<float, 3>;
    using Colour = std::array<float, 4>;

    struct Vertex {
        std::uint8_t flags = 0;
        Vec3 position{};
        std::int8_t bone = -1;
        std::uint8_t referenceCount = 0;
    };
    struct Triangle {
        std::uint16_t flags = 0;
        std::array<std::uint16_t, 3> indices{};
        std::array<Vec3, 3> normals{};
        Vec3 s{};
        Vec3 t{};
        std::uint8_t smoothingGroup = 1;
        std::uint8_t groupIndex = 0;
    };
    struct Group {
        std::uint8_t flags = 0;
        std::string name;
        std::vector<std::uint16_t> triangles;
        std::int8_t material = -1;
    };
    struct Material {
        std::string name;
        Colour ambient{0.2f, 0.2f, 0.2f, 1.0f};
        Colour diffuse{0.8f, 0.8f, 0.8f, 1.0f};
        Colour specular{0.0f, 0.0f, 0.0f, 1.0f};
        Colour emissive{0.0f, 0.0f, 0.0f, 1.0f};
        float shininess = 0.0f;
        float transparency = 1.0f;
        std::uint8_t mode = 0;
        std::string texture;
        std::string alphaMap;
    };
    struct Keyframe {
        float seconds = 0.0f;
        Vec3 value{};
    };
    struct Joint {
        std::uint8_t flags = 0;
        std::string name;
        std::string parentName;
        Vec3 rotation{};
        Vec3 position{};
        std::vector<Keyframe> rotationKeys;
        std::vector<Keyframe> translationKeys;
    };
    struct Model {
        std::int32_t version = 4;
        std::vector<Vertex> vertices;
        std::vector<Triangle> triangles;
        std::vector<Group> groups;
        std::vector<Material> materials;
        float fps = 24.0f;
        float currentTime = 0.0f;
        std::int32_t totalFrames = 0;
        std::vector<Joint> joints;
    };

    static constexpr std::size_t nameSize = 32;
    static constexpr std::size_t pathSize = 128;

    // Sets each vertex's reference count from the triangles that use it.
    static void countReferences(Model& model);
    // Throws std::length_error when a count does not fit the file's 16-bit fields.
    static std::vector<std::uint8_t> encode(const Model& model);
};

} // namespace forge
