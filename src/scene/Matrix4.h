#pragma once

#include <array>

// Three floats: a position, a direction or three angles.
using Vec3 = std::array<float, 3>;

// A 4x4 affine matrix in OpenGL order (column by column): elements 0-2, 4-6
// and 8-10 are the rotation columns, 12-14 the translation. Starts as identity.
class Matrix4 {
public:
    Matrix4();

    void loadIdentity();

    float operator[](int index) const { return m[index]; }
    float& operator[](int index) { return m[index]; }
    const float* data() const { return m.data(); }

    // This becomes this x other, both taken as affine matrices.
    void multiplyBy(const Matrix4& other);
    // Sets the rotation part from angles about x, y and z in radians.
    void setEulerRotation(const Vec3& angles);
    void setTranslationPart(const Vec3& translation);
    // Undo this matrix's translation, respectively rotation, on a vector.
    // Inline: loading a model applies them to every vertex and normal.
    void untranslate(Vec3& vector) const
    {
        vector[0] -= m[12];
        vector[1] -= m[13];
        vector[2] -= m[14];
    }
    void unrotate(Vec3& vector) const
    {
        const Vec3 v = vector;
        vector[0] = v[0] * m[0] + v[1] * m[1] + v[2] * m[2];
        vector[1] = v[0] * m[4] + v[1] * m[5] + v[2] * m[6];
        vector[2] = v[0] * m[8] + v[1] * m[9] + v[2] * m[10];
    }

private:
    std::array<float, 16> m;
};
