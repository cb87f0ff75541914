// "Data/Textures/Sidebar/Sidebar_1.tga" and "Sidebar_2.tga": the tall side
// panels, one colour theme per player. A translucent glass panel with rounded
// corners, a glowing frame and chevrons; outside the corners fully transparent.
#include "Generator.h"
#include "generators/Noise.h"
#include "generators/Shade.h"
#include "writers/TgaWriter.h"

#include <cmath>
#include <string>

namespace forge {
namespace {

using namespace shade;

struct Theme {
    Rgb primary;
    Rgb secondary;
    float mirror; // 1: frame accent on the right (inner) edge, -1: on the left
};

// Panel units: x in [-1, 1], y in [-7, 7], the shape the panel is drawn in.
float roundedBox(float x, float y)
{
    const float radius = 0.35f;
    const float qx = std::fabs(x) - (0.94f - radius), qy = std::fabs(y) - (6.94f - radius);
    return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
}

// Upward chevrons stacked near the bottom, as on a dance mat.
float chevrons(float x, float y)
{
    float strength = 0.0f;
    for (int i = 0; i < 3; ++i) {
        const float centre = -5.9f + 0.55f * static_cast<float>(i);
        const float distance = std::fabs((y - centre) + 0.45f * std::fabs(x) - 0.1f);
        const float line = 1.0f - smoothstep(0.06f, 0.1f, distance);
        strength = std::max(strength, line * (1.0f - smoothstep(0.45f, 0.55f, std::fabs(x))) * (0.5f + 0.25f * i));
    }
    return strength;
}

Rgba panel(float u, float v, const Theme& theme, const Noise& noise)
{
    const float x = (u - 0.5f) * 2.0f, y = (v - 0.5f) * 14.0f;
    const float d = roundedBox(x, y);
    const Rgb accent = mix(theme.secondary, theme.primary, smoothstep(-7.0f, 7.0f, y));
    if (d > 0.0f)
        return {accent, 0.0f};
    const float frame = 1.0f - smoothstep(0.05f, 0.09f, -d);
    const float innerLine = 1.0f - smoothstep(0.01f, 0.03f, std::fabs(-d - 0.2f));
    const float glow = std::exp(-(-d) / 0.12f) * 0.6f;
    const float sheen = 0.08f * smoothstep(0.3f, 0.0f, std::fabs(x * 0.5f + y * 0.25f - 0.8f));
    const float scan = (static_cast<int>(v * 512.0f) % 4 == 0) ? 0.85f : 1.0f;
    const float grain = 0.9f + 0.2f * noise.fractal(u * 8.0f, v * 56.0f, 3);
    const float edgeSide = 1.0f - smoothstep(0.0f, 0.25f, std::fabs(x - theme.mirror * 0.72f));
    const float stripe = edgeSide * (1.0f - smoothstep(5.5f, 6.2f, std::fabs(y))) * 0.35f;

    Rgb glass = add(scale(accent, 0.16f * grain * scan), Rgb{0.03f, 0.03f, 0.05f});
    glass = add(glass, Rgb{sheen, sheen, sheen});
    float alpha = 0.55f + 0.15f * smoothstep(-7.0f, 7.0f, y);
    const float chevron = chevrons(x, y);
    // A lit header plate at the top of the panel.
    const float plate = (1.0f - smoothstep(0.62f, 0.66f, std::fabs(x))) * (1.0f - smoothstep(0.5f, 0.54f, std::fabs(y - 5.9f)));
    const float plateShine = 0.35f * smoothstep(5.4f, 6.4f, y);
    Rgb colour = mix(glass, accent, std::max({glow, innerLine * 0.8f, chevron, stripe}));
    colour = mix(colour, mix(scale(accent, 0.75f), Rgb{1, 1, 1}, plateShine), plate);
    alpha = std::max({alpha, glow + 0.4f, innerLine * 0.9f, chevron * 0.9f, stripe + 0.5f, plate * 0.85f});
    colour = mix(colour, mix(accent, Rgb{1, 1, 1}, 0.45f), frame);
    alpha = std::max(alpha, frame);
    alpha *= smoothstep(0.0f, 0.03f, -d);
    return {colour, clamp01(alpha)};
}

void writePanel(const std::filesystem::path& root, int player, const Theme& theme)
{
    const Noise noise(0x5EED0020u + static_cast<std::uint32_t>(player));
    RgbaImage image(64, 512);
    paint(image, [&](float u, float v) { return panel(u, v, theme, noise); });
    writeFile(root / ("Data/Textures/Sidebar/Sidebar_" + std::to_string(player) + ".tga"),
              TgaWriter::encode(image, TgaWriter::Kind::RunLength, 32));
}

void generateSidebarTextures(const std::filesystem::path& root)
{
    writePanel(root, 1, {{0.15f, 0.78f, 1.0f}, {0.25f, 0.3f, 1.0f}, 1.0f});
    writePanel(root, 2, {{1.0f, 0.28f, 0.6f}, {1.0f, 0.62f, 0.12f}, -1.0f});
}

} // namespace

FORGE_GENERATOR("textures-sidebar", generateSidebarTextures);

} // namespace forge
