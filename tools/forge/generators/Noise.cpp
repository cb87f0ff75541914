#include "generators/Noise.h"

#include <cmath>

namespace forge {
namespace {

float fade(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

float lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

int wrap(int cell, int period)
{
    if (period <= 0)
        return cell;
    return ((cell % period) + period) % period;
}

} // namespace

float Noise::lattice(int x, int y, int z) const
{
    std::uint32_t h = seed;
    h ^= static_cast<std::uint32_t>(x) * 0x8DA6B343u;
    h ^= static_cast<std::uint32_t>(y) * 0xD8163841u;
    h ^= static_cast<std::uint32_t>(z) * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xFFFFFF) / static_cast<float>(0xFFFFFF);
}

float Noise::value(float x, float y, int period) const
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    const float tx = fade(x - fx), ty = fade(y - fy);
    const int xa = wrap(x0, period), xb = wrap(x0 + 1, period);
    const int ya = wrap(y0, period), yb = wrap(y0 + 1, period);
    const float top = lerp(lattice(xa, ya, 0), lattice(xb, ya, 0), tx);
    const float bottom = lerp(lattice(xa, yb, 0), lattice(xb, yb, 0), tx);
    return lerp(top, bottom, ty);
}

float Noise::value3(float x, float y, float z) const
{
    const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy), z0 = static_cast<int>(fz);
    const float tx = fade(x - fx), ty = fade(y - fy), tz = fade(z - fz);
    float layers[2];
    for (int dz = 0; dz < 2; ++dz) {
        const float top = lerp(lattice(x0, y0, z0 + dz), lattice(x0 + 1, y0, z0 + dz), tx);
        const float bottom = lerp(lattice(x0, y0 + 1, z0 + dz), lattice(x0 + 1, y0 + 1, z0 + dz), tx);
        layers[dz] = lerp(top, bottom, ty);
    }
    return lerp(layers[0], layers[1], tz);
}

float Noise::fractal(float x, float y, int octaves, int period) const
{
    float sum = 0.0f, weight = 0.5f, total = 0.0f, scale = 1.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * value(x * scale, y * scale, period > 0 ? period * static_cast<int>(scale) : 0);
        total += weight;
        weight *= 0.5f;
        scale *= 2.0f;
    }
    return sum / total;
}

float Noise::fractal3(float x, float y, float z, int octaves) const
{
    float sum = 0.0f, weight = 0.5f, total = 0.0f, scale = 1.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * value3(x * scale, y * scale, z * scale);
        total += weight;
        weight *= 0.5f;
        scale *= 2.0f;
    }
    return sum / total;
}

} // namespace forge
