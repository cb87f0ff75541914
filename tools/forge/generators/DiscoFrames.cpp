// "Data/Textures/ParticleSystem/disco/disco0000.tga" to "disco0029.tga": a
// disco light, 30 frames that loop seamlessly. Six coloured beams turn one
// sixth of a circle per loop while their hues move on by one beam, so frame 30
// would equal frame 0. Alpha carries the light's strength.
#include "Generator.h"
#include "generators/Shade.h"
#include "writers/TgaWriter.h"

#include <cmath>
#include <cstdio>

namespace forge {
namespace {

using namespace shade;

constexpr int frameCount = 30;
constexpr int beams = 6;
constexpr int sparkles = 12;

float angularDistance(float a, float b)
{
    const float d = std::fmod(std::fabs(a - b), 2 * pi);
    return std::min(d, 2 * pi - d);
}

Rgba discoLight(float u, float v, float phase)
{
    const float dx = u - 0.5f, dy = v - 0.5f;
    const float r = std::hypot(dx, dy), angle = std::atan2(dy, dx);
    const float fade = 1.0f - smoothstep(0.15f, 0.4f, r);
    Rgb light{0, 0, 0};
    for (int k = 0; k < beams; ++k) {
        const float beamAngle = (static_cast<float>(k) + phase) * 2 * pi / beams;
        const float width = 0.12f + 0.5f * r;
        const float strength = std::exp(-std::pow(angularDistance(angle, beamAngle) / (width * 0.5f), 2.0f));
        light = add(light, scale(hue((static_cast<float>(k) + phase) / beams), strength * fade * 1.1f));
    }
    for (int k = 0; k < sparkles; ++k) {
        const float a = (static_cast<float>(k) - phase) * 2 * pi / sparkles;
        const float sx = 0.5f + 0.3f * std::cos(a), sy = 0.5f + 0.3f * std::sin(a);
        const float twinkle = 0.5f + 0.5f * std::sin(2 * pi * (2 * phase + static_cast<float>(k) / 3.0f));
        const float dot = std::exp(-(std::pow(u - sx, 2.0f) + std::pow(v - sy, 2.0f)) / 0.00012f);
        light = add(light, scale(Rgb{1, 1, 1}, dot * twinkle));
    }
    const float pulse = 0.85f + 0.15f * std::cos(2 * pi * phase);
    const float core = std::exp(-std::pow(r / 0.07f, 2.0f)) * pulse;
    const float halo = std::exp(-std::pow(r / 0.16f, 2.0f)) * 0.35f * pulse;
    light = add(light, Rgb{core + halo, core + halo, core + halo});
    const float alpha = clamp01(std::max({light.r, light.g, light.b}));
    if (alpha <= 0.0f)
        return {{1, 1, 1}, 0.0f};
    return {scale(light, 1.0f / std::max({light.r, light.g, light.b, 1e-6f})), alpha};
}

void generateDiscoFrames(const std::filesystem::path& root)
{
    for (int frame = 0; frame < frameCount; ++frame) {
        const float phase = static_cast<float>(frame) / frameCount;
        RgbaImage image(128, 128);
        paint(image, [phase](float u, float v) { return discoLight(u, v, phase); });
        char name[64];
        std::snprintf(name, sizeof name, "Data/Textures/ParticleSystem/disco/disco%04d.tga", frame);
        writeFile(root / name, TgaWriter::encode(image, TgaWriter::Kind::Uncompressed, 32));
    }
}

} // namespace

FORGE_GENERATOR("textures-disco", generateDiscoFrames);

} // namespace forge
