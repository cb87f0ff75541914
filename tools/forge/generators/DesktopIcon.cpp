// "Icons/hicolor/<size>x<size>/apps/flarevox.png": the icon of the desktop
// menu entry, installed into the hicolor theme. The game's rising arrow points
// up out of a dark rounded square and glows. Every size is painted from the
// shapes themselves (4 x 4 samples per pixel), not scaled from a larger one.
#include "Generator.h"
#include "generators/ArrowShape.h"
#include "generators/Shade.h"
#include "writers/PngWriter.h"

#include <cmath>
#include <string>

namespace forge {
namespace {

using namespace shade;

constexpr int iconSizes[] = {32, 48, 128, 256};
constexpr int samplesPerAxis = 4;
// Half the side of the arrow's square, as a share of the icon's side.
constexpr float arrowHalfExtent = 0.36f;

// Signed distance to the rounded square that carries the picture (negative inside).
float tileDistance(float x, float y)
{
    constexpr float half = 0.47f, radius = 0.11f;
    const float qx = std::abs(x) - (half - radius);
    const float qy = std::abs(y) - (half - radius);
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

// One sample, premultiplied by its coverage. x to the right, y up, both
// -0.5..0.5 across the icon.
Rgba sample(float x, float y)
{
    if (tileDistance(x, y) > 0)
        return {{0, 0, 0}, 0};
    // The arrow's own outline points to negative x: turn it to point up.
    const float toArrow = ArrowShape::halfExtent / arrowHalfExtent;
    const ArrowShape::Point p{-y * toArrow, x * toArrow};
    const float d = ArrowShape::signedDistance(p);

    const float centre = std::hypot(x, y - 0.08f);
    Rgb colour = mix(Rgb{0.30f, 0.07f, 0.52f}, Rgb{0.05f, 0.01f, 0.12f}, smoothstep(0.0f, 0.6f, centre));
    if (d > 0) {
        const float glow = std::exp(-std::pow(d / 0.09f, 2.0f));
        return {mix(colour, Rgb{1.0f, 0.55f, 0.15f}, glow * 0.75f), 1};
    }
    if (d > -ArrowShape::bevel)
        return {Rgb{0.55f, 0.12f, 0.9f}, 1};
    const float along = clamp01((p[0] + ArrowShape::halfExtent) / (2 * ArrowShape::halfExtent)); // 0 at the tip
    const Rgb tip{1.0f, 0.95f, 0.3f}, middle{1.0f, 0.5f, 0.1f}, tail{1.0f, 0.18f, 0.62f};
    colour = along < 0.5f ? mix(tip, middle, along * 2) : mix(middle, tail, along * 2 - 1);
    return {colour, 1};
}

RgbaImage paintIcon(int size)
{
    RgbaImage image(size, size);
    const float step = 1.0f / static_cast<float>(size * samplesPerAxis);
    for (int row = 0; row < size; ++row)
        for (int column = 0; column < size; ++column) {
            Rgb sum;
            float coverage = 0;
            for (int sy = 0; sy < samplesPerAxis; ++sy)
                for (int sx = 0; sx < samplesPerAxis; ++sx) {
                    const float x = (static_cast<float>(column * samplesPerAxis + sx) + 0.5f) * step - 0.5f;
                    const float y = 0.5f - (static_cast<float>(row * samplesPerAxis + sy) + 0.5f) * step;
                    const Rgba s = sample(x, y);
                    sum = add(sum, scale(s.rgb, s.a));
                    coverage += s.a;
                }
            const float samples = static_cast<float>(samplesPerAxis * samplesPerAxis);
            const Rgb colour = coverage > 0 ? scale(sum, 1.0f / coverage) : Rgb{};
            image.setFloat(column, row, colour.r, colour.g, colour.b, coverage / samples);
        }
    return image;
}

void generateDesktopIcon(const std::filesystem::path& root)
{
    for (const int size : iconSizes) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        PngWriter::write(root / "Icons/hicolor" / folder / "apps/flarevox.png", paintIcon(size));
    }
}

} // namespace

FORGE_GENERATOR("desktop-icon", generateDesktopIcon);

} // namespace forge
