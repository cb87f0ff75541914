#include "scene/Matrix4.h"

#include <cmath>

Matrix4::Matrix4()
{
    loadIdentity();
}

void Matrix4::loadIdentity()
{
    m = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

void Matrix4::multiplyBy(const Matrix4& other)
{
    const auto& a = m;
    const auto& b = other.m;
    std::array<float, 16> result{};
    for (int column = 0; column < 3; ++column) {
        const int c = column * 4;
        for (int i = 0; i < 3; ++i)
            result[c + i] = a[i] * b[c] + a[4 + i] * b[c + 1] + a[8 + i] * b[c + 2];
    }
    for (int i = 0; i < 3; ++i)
        result[12 + i] = a[i] * b[12] + a[4 + i] * b[13] + a[8 + i] * b[14] + a[12 + i];
    result[15] = 1.0f;
    m = result;
}

void Matrix4::setEulerRotation(const Vec3& angles)
{
    const double cr = std::cos(angles[0]);
    const double sr = std::sin(angles[0]);
    const double cp = std::cos(angles[1]);
    const double sp = std::sin(angles[1]);
    const double cy = std::cos(angles[2]);
    const double sy = std::sin(angles[2]);

    m[0] = static_cast<float>(cp * cy);
    m[1] = static_cast<float>(cp * sy);
    m[2] = static_cast<float>(-sp);
    m[4] = static_cast<float>(sr * sp * cy - cr * sy);
    m[5] = static_cast<float>(sr * sp * sy + cr * cy);
    m[6] = static_cast<float>(sr * cp);
    m[8] = static_cast<float>(cr * sp * cy + sr * sy);
    m[9] = static_cast<float>(cr * sp * sy - sr * cy);
    m[10] = static_cast<float>(cr * cp);
}

void Matrix4::setTranslationPart(const Vec3& translation)
{
    m[12] = translation[0];
    m[13] = translation[1];
    m[14] = translation[2];
}
