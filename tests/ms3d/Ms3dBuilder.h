#pragma once

#include "scene/Matrix4.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Describes an MS3D file for tests; build() writes its bytes, so tests can
// damage any field before or after writing.
struct Ms3dBuilder {
    struct Vertex {
        Vec3 position{};
        std::int8_t bone = -1;
    };
    struct Triangle {
        std::array<std::uint16_t, 3> indices{};
        std::array<Vec3, 3> normals{};
        Vec3 s{};
        Vec3 t{};
    };
    struct Group {
        std::vector<std::uint16_t> triangles;
        std::uint8_t material = 255;
    };
    struct Material {
        std::array<float, 4> diffuse{0.5f, 0.5f, 0.5f, 1.0f};
        float shininess = 8.0f;
        std::string texture;
    };
    struct Key {
        float seconds = 0.0f;
        Vec3 value{};
    };
    struct Joint {
        std::string name;
        std::string parent;
        Vec3 rotation{};
        Vec3 position{};
        std::vector<Key> rotationKeys;
        std::vector<Key> translationKeys;
    };

    // Where each section starts in the built bytes.
    struct Offsets {
        std::size_t vertices = 0, triangles = 0, groups = 0, materials = 0, animation = 0, joints = 0, end = 0;
    };

    std::vector<std::uint8_t> build(Offsets* offsets = nullptr) const;

    // One triangle over three vertices (the first bound to joint 0 when there
    // are joints), one group, one material and a two-joint skeleton.
    static Ms3dBuilder sample();

    std::string magic = "MS3D000000";
    std::int32_t version = 4;
    std::vector<Vertex> vertices;
    std::vector<Triangle> triangles;
    std::vector<Group> groups;
    std::vector<Material> materials;
    float fps = 24.0f;
    std::vector<Joint> joints;
};
