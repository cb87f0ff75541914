#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace preview {

using Vec3 = std::array<float, 3>;

// A 4x4 affine matrix in OpenGL's column order.
struct Matrix {
    std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    static Matrix euler(const Vec3& angles);
    Matrix operator*(const Matrix& b) const;
    Vec3 point(const Vec3& v) const;
    Vec3 direction(const Vec3& v) const;
    Matrix inverseRigid() const;
};

// An MS3D model read for previewing and posed the way the game animates it:
// keyframes are offsets from each joint's rest pose, interpolated linearly
// (Euler angles one by one), parents posed before children.
class PosedModel {
public:
    struct Corner {
        std::uint16_t vertex;
        Vec3 normal;
        float s, t;
    };
    struct Key {
        float ms;
        Vec3 value;
    };
    struct Joint {
        std::string name;
        int parent = -1;
        Matrix bindRelative, bindAbsolute;
        std::vector<Key> rotations, translations;
    };

    // Returns an empty string on success, else what was wrong with the file.
    std::string load(const std::string& path);

    // World-space (model-space) positions and normals of every triangle corner at a time in ms.
    void pose(float ms, std::vector<Vec3>& positions, std::vector<Vec3>& normals) const;

    float fps = 0.0f;
    std::vector<Vec3> vertices;
    std::vector<int> bones;
    std::vector<std::array<Corner, 3>> triangles;
    std::vector<Joint> joints;
    std::string texture;
};

} // namespace preview
