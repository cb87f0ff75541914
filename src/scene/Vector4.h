#pragma once

#include "scene/Matrix4.h"

// A point or direction with a w component; made from three floats with w = 1.
class Vector4 {
public:
    Vector4() = default;
    explicit Vector4(const Vec3& v) : x(v[0]), y(v[1]), z(v[2]) {}

    // Full 4x4 product (the matrix applied to the point).
    void transformPoint(const Matrix4& p);
    // Rotation part only; w becomes 1.
    void transformDirection(const Matrix4& p);
    // Scales x, y, z to unit length; a zero vector stays zero.
    void normalize();

    Vec3 xyz() const { return {x, y, z}; }

    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;
};
