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
    void untranslate(Vec3& vector) const;
    void unrotate(Vec3& vector) const;

private:
    std::array<float, 16> m;
};
