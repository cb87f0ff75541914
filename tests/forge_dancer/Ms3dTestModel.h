#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// An independent reader of MS3D files for the tests, bounds-checked, that
// also poses the skeleton by the game's animation rules.
struct Ms3dTestModel {
    using Vec3 = std::array<float, 3>;
    using Matrix = std::array<float, 16>;

    struct Key {
        float seconds;
        Vec3 value;
    };
    struct Joint {
        std::string name, parentName;
        int parent = -1;
        Vec3 rotation, position;
        std::vector<Key> rotations, translations;
    };

    std::int32_t version = 0;
    std::vector<Vec3> vertices;
    std::vector<int> bones;
    std::vector<std::array<std::uint16_t, 3>> triangles;
    std::vector<std::vector<std::uint16_t>> groupTriangles;
    std::vector<int> groupMaterials;
    std::vector<std::string> textures;
    float fps = 0.0f;
    std::vector<Joint> joints;

    // Empty on success, else why the file was refused.
    std::string parse(const std::vector<std::uint8_t>& bytes);
    // Every vertex in model space at an animation time in milliseconds.
    std::vector<Vec3> pose(float ms) const;
    std::vector<Matrix> jointPoses(float ms) const;
};
