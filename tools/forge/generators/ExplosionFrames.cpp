// "Data/Textures/ParticleSystem/Explosion3/ex0000.tga" to "ex0029.tga": a
// fireball in 30 frames that flashes, swells, cools to smoke and fades out.
// The last frame is fully transparent, because the trail particles keep
// showing it once their second is over.
#include "Generator.h"
#include "generators/Noise.h"
#include "generators/Shade.h"
#include "writers/TgaWriter.h"

#include <cmath>
#include <cstdio>

namespace forge {
namespace {

using namespace shade;

constexpr int frameCount = 30;

Rgb fireColour(float heat)
{
    const Rgb smoke{0.22f, 0.2f, 0.19f}, ember{0.55f, 0.06f, 0.02f}, orange{1.0f, 0.42f, 0.05f},
        yellow{1.0f, 0.82f, 0.25f}, white{1.0f, 0.98f, 0.85f};
    if (heat < 0.15f)
        return mix(smoke, ember, heat / 0.15f);
    if (heat < 0.4f)
        return mix(ember, orange, (heat - 0.15f) / 0.25f);
    if (heat < 0.7f)
        return mix(orange, yellow, (heat - 0.4f) / 0.3f);
    return mix(yellow, white, clamp01((heat - 0.7f) / 0.3f));
}

Rgba fireball(float u, float v, float t, const Noise& noise)
{
    const float radius = 0.08f + 0.3f * (1.0f - std::pow(1.0f - t, 3.0f));
    const float dx = (u - 0.5f) / radius, dy = (v - 0.5f) / radius;
    const float turbulence = noise.fractal3(dx * 2.6f + 7.0f, dy * 2.6f + 3.0f, t * 3.0f, 5);
    const float q = std::hypot(dx, dy) + (turbulence - 0.5f) * 1.1f;
    const float body = 1.0f - smoothstep(0.75f, 1.0f, q);
    if (body <= 0.0f)
        return {fireColour(0.0f), 0.0f};
    const float heat = clamp01((1.25f - q) * (1.1f - t) * 1.4f + (turbulence - 0.5f) * 0.9f);
    const float smoke = 1.0f - smoothstep(0.05f, 0.3f, heat);
    const float fade = 1.0f - smoothstep(0.55f, 1.0f, t);
    const float alpha = body * fade * (1.0f - 0.3f * smoke);
    return {fireColour(heat), clamp01(alpha)};
}

void generateExplosionFrames(const std::filesystem::path& root)
{
    const Noise noise(0x5EED0030u);
    for (int frame = 0; frame < frameCount; ++frame) {
        const float t = static_cast<float>(frame) / (frameCount - 1);
        RgbaImage image(128, 128);
        paint(image, [t, &noise](float u, float v) { return fireball(u, v, t, noise); });
        char name[64];
        std::snprintf(name, sizeof name, "Data/Textures/ParticleSystem/Explosion3/ex%04d.tga", frame);
        writeFile(root / name, TgaWriter::encode(image, TgaWriter::Kind::RunLength, 32));
    }
}

} // namespace

FORGE_GENERATOR("textures-explosion", generateExplosionFrames);

} // namespace forge
