#pragma once

#include <algorithm>
#include <cmath>

// Small colour and shaping helpers shared by the texture generators.
namespace forge::shade {

struct Rgb {
    float r = 0, g = 0, b = 0;
};

inline float clamp01(float v)
{
    return std::clamp(v, 0.0f, 1.0f);
}

inline float smoothstep(float edge0, float edge1, float x)
{
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

inline Rgb mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline Rgb scale(Rgb c, float s)
{
    return {c.r * s, c.g * s, c.b * s};
}

inline Rgb add(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

// Hue in turns (0..1), full saturation and value.
inline Rgb hue(float h)
{
    h = h - std::floor(h);
    auto channel = [h](float offset) {
        const float k = std::fmod(offset + h * 6.0f, 6.0f);
        return 1.0f - std::clamp(std::min(k, 4.0f - k), 0.0f, 1.0f);
    };
    return {channel(5.0f), channel(3.0f), channel(1.0f)};
}

constexpr float pi = 3.14159265358979f;

} // namespace forge::shade

#include "writers/RgbaImage.h"

namespace forge::shade {

struct Rgba {
    Rgb rgb;
    float a = 1.0f;
};

// Fills an image from a function of texture coordinates (u to the right,
// v upwards as OpenGL sees the texture), sampled at texel centres.
template <typename Function>
void paint(RgbaImage& image, Function colourAt)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(image.width());
            const float v = 1.0f - (static_cast<float>(y) + 0.5f) / static_cast<float>(image.height());
            const Rgba c = colourAt(u, v);
            image.setFloat(x, y, c.rgb.r, c.rgb.g, c.rgb.b, c.a);
        }
}

} // namespace forge::shade
