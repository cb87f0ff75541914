// The arrow textures: "spaceshiptexture2.tga" for the rising arrows (bright
// and colourful), "spaceshiptexture3.tga" for the goal markers (calm brushed
// metal) and "mine.tga" for the mines of players' charts (black with red
// warning stripes: keep off). The mesh is drawn without normals, so light
// and bevel are painted in.
#include "Generator.h"
#include "generators/ArrowShape.h"
#include "generators/Noise.h"
#include "generators/Shade.h"
#include "writers/TgaWriter.h"

#include <cmath>

namespace forge {
namespace {

using namespace shade;

constexpr int textureSize = 128;

struct ArrowTexel {
    ArrowShape::Point p;  // position on the arrow's front
    float distance;       // signed distance to the outline, negative inside
    float light;          // -1..1: how much the bevel at this point faces the light
};

ArrowTexel arrowTexel(float u, float v)
{
    const auto p = ArrowShape::fromTexture({u, v});
    const float d = ArrowShape::signedDistance(p);
    const float step = 0.002f;
    float gx = ArrowShape::signedDistance({p[0] + step, p[1]}) - ArrowShape::signedDistance({p[0] - step, p[1]});
    float gy = ArrowShape::signedDistance({p[0], p[1] + step}) - ArrowShape::signedDistance({p[0], p[1] - step});
    const float length = std::hypot(gx, gy);
    if (length > 0) {
        gx /= length;
        gy /= length;
    }
    // The bevel slopes outwards, so it faces the light (upper left) where the
    // outward direction points away from it.
    const float light = -(gx * -0.6f + gy * 0.8f);
    return {p, d, light};
}

Rgba risingArrow(float u, float v)
{
    const auto t = arrowTexel(u, v);
    const Rgb rim{0.42f, 0.08f, 0.78f};
    if (t.distance > -ArrowShape::bevel) {
        const float lit = 0.75f + 0.55f * t.light;
        const Rgb bevel = mix(scale(rim, lit), Rgb{1, 1, 1}, clamp01(t.light) * 0.45f);
        return {t.distance > 0 ? scale(rim, 0.6f) : bevel};
    }
    const float along = clamp01((t.p[0] + 0.45f) / 0.9f); // 0 at the tip, 1 at the tail
    const Rgb tip{1.0f, 0.93f, 0.2f}, middle{1.0f, 0.45f, 0.1f}, tail{1.0f, 0.15f, 0.62f};
    Rgb face = along < 0.5f ? mix(tip, middle, along * 2) : mix(middle, tail, along * 2 - 1);
    const float gloss = smoothstep(-0.05f, 0.3f, t.p[1]) * 0.35f;
    face = mix(face, Rgb{1, 1, 1}, gloss);
    const float inner = -t.distance - ArrowShape::bevel;
    const float line = std::exp(-std::pow((inner - 0.035f) / 0.008f, 2.0f));
    face = mix(face, Rgb{1.0f, 1.0f, 0.92f}, line * 0.85f);
    const float shadow = smoothstep(0.0f, 0.03f, inner);
    return {scale(face, 0.7f + 0.3f * shadow)};
}

Rgba goalMarker(float u, float v, const Noise& noise)
{
    const auto t = arrowTexel(u, v);
    const float brushed = noise.fractal(u * 3.0f, v * 64.0f, 4, 0);
    const Rgb steel{0.80f, 0.84f, 0.90f};
    if (t.distance > -ArrowShape::bevel) {
        const float lit = 0.62f + 0.4f * t.light;
        const Rgb edge = scale(steel, lit * (0.92f + 0.1f * brushed));
        return {t.distance > 0 ? scale(steel, 0.35f) : edge};
    }
    float level = 0.62f + 0.18f * (brushed - 0.5f) + 0.12f * (t.p[1] / 0.45f);
    const float inner = -t.distance - ArrowShape::bevel;
    const float groove = std::exp(-std::pow((inner - 0.04f) / 0.007f, 2.0f));
    const float grooveLight = std::exp(-std::pow((inner - 0.05f) / 0.006f, 2.0f));
    level = level * (1.0f - 0.45f * groove) + 0.2f * grooveLight;
    return {scale(steel, level)};
}

Rgba mine(float u, float v)
{
    const auto t = arrowTexel(u, v);
    const Rgb red{0.95f, 0.08f, 0.05f};
    if (t.distance > -ArrowShape::bevel) {
        const float lit = 0.7f + 0.5f * t.light;
        return {t.distance > 0 ? scale(red, 0.3f) : scale(red, lit)};
    }
    const float stripe = smoothstep(-0.1f, 0.1f, std::sin((t.p[0] + t.p[1]) * 40.0f));
    return {mix(Rgb{0.06f, 0.06f, 0.07f}, scale(red, 0.8f), stripe * 0.6f)};
}

void generateArrowTextures(const std::filesystem::path& root)
{
    RgbaImage rising(textureSize, textureSize);
    paint(rising, risingArrow);
    writeFile(root / "Data/Textures/spaceshiptexture2.tga",
              TgaWriter::encode(rising, TgaWriter::Kind::Uncompressed, 24));

    const Noise noise(0x5EED0003u);
    RgbaImage goal(textureSize, textureSize);
    paint(goal, [&noise](float u, float v) { return goalMarker(u, v, noise); });
    writeFile(root / "Data/Textures/spaceshiptexture3.tga",
              TgaWriter::encode(goal, TgaWriter::Kind::RunLength, 24));

    RgbaImage mineImage(textureSize, textureSize);
    paint(mineImage, mine);
    writeFile(root / "Data/Textures/mine.tga", TgaWriter::encode(mineImage, TgaWriter::Kind::RunLength, 24));
}

} // namespace

FORGE_GENERATOR("textures-arrow", generateArrowTextures);

} // namespace forge
