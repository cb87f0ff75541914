#include "scene/Vector4.h"

#include <cmath>

void Vector4::transformPoint(const Matrix4& p)
{
    const Vector4 v = *this;
    x = v.x * p[0] + v.y * p[4] + v.z * p[8] + p[12];
    y = v.x * p[1] + v.y * p[5] + v.z * p[9] + p[13];
    z = v.x * p[2] + v.y * p[6] + v.z * p[10] + p[14];
    w = v.x * p[3] + v.y * p[7] + v.z * p[11] + p[15];
}

void Vector4::transformDirection(const Matrix4& p)
{
    const Vector4 v = *this;
    x = v.x * p[0] + v.y * p[4] + v.z * p[8];
    y = v.x * p[1] + v.y * p[5] + v.z * p[9];
    z = v.x * p[2] + v.y * p[6] + v.z * p[10];
    w = 1.0f;
}

void Vector4::normalize()
{
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f)
        return;
    x /= length;
    y /= length;
    z /= length;
}
