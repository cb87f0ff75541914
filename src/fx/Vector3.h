#pragma once

#include <cmath>

// Three floats for particle positions and velocities.
struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3& operator+=(const Vector3& other)
    {
        x += other.x;
        y += other.y;
        z += other.z;
        return *this;
    }
    friend Vector3 operator+(Vector3 a, const Vector3& b) { return a += b; }
    friend Vector3 operator-(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend Vector3 operator*(const Vector3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
    bool operator==(const Vector3&) const = default;

    float length() const { return std::sqrt(x * x + y * y + z * z); }
    // The direction of the vector; a zero vector stays zero instead of becoming NaN.
    Vector3 unit() const
    {
        const float l = length();
        return l > 0.0f ? *this * (1.0f / l) : Vector3{};
    }
};
