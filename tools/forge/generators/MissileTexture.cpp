// "Data/Textures/missle1.bmp": the missile's skin. The left three quarters
// wrap around the body (tail at the bottom, nose at the top) with the light
// baked in, since the mesh is drawn without normals; the right quarter colours
// the fins.
#include "Generator.h"
#include "generators/Noise.h"
#include "generators/Shade.h"
#include "writers/BmpWriter.h"

#include <cmath>

namespace forge {
namespace {

using namespace shade;

constexpr float bodyU = 0.75f;

float band(float v, float centre, float halfWidth)
{
    return 1.0f - smoothstep(halfWidth * 0.6f, halfWidth, std::fabs(v - centre));
}

// Diffuse light on the body from the upper left front; angle pi faces the viewer.
float bodyLight(float angle)
{
    const float nx = -std::sin(angle), nz = -std::cos(angle);
    const float diffuse = std::max(0.0f, nx * -0.45f + nz * 0.89f);
    const float specular = std::pow(std::max(0.0f, nx * -0.3f + nz * 0.95f), 24.0f);
    return 0.35f + 0.7f * diffuse + 0.5f * specular;
}

Rgb body(float u, float v, const Noise& noise)
{
    const float angle = u / bodyU * 2 * pi;
    const Rgb white{0.93f, 0.94f, 0.96f}, red{0.92f, 0.10f, 0.08f}, metal{0.30f, 0.31f, 0.34f};
    Rgb colour = white;
    if (v < 0.08f)
        colour = scale(metal, 0.8f + 0.4f * band(std::fmod(v, 0.027f), 0.013f, 0.006f));
    else if (v > 0.68f)
        colour = red;
    colour = mix(colour, red, std::max(band(v, 0.15f, 0.025f), band(v, 0.62f, 0.02f)));
    const float panel = std::max(band(v, 0.33f, 0.005f), band(v, 0.5f, 0.005f));
    colour = scale(colour, 1.0f - 0.35f * panel);
    const float window = std::hypot((angle - pi) * 0.11f, v - 0.42f);
    colour = mix(colour, Rgb{0.1f, 0.3f, 0.7f}, 1.0f - smoothstep(0.035f, 0.045f, window));
    colour = mix(colour, Rgb{0.6f, 0.85f, 1.0f}, 1.0f - smoothstep(0.0f, 0.02f, std::hypot((angle - pi + 0.12f) * 0.11f, v - 0.435f)));
    colour = scale(colour, 0.95f + 0.1f * noise.fractal(u * 16, v * 16, 3));
    return scale(colour, bodyLight(angle));
}

Rgb fin(float u, float v)
{
    const float across = (u - bodyU) / (1.0f - bodyU);
    const Rgb red{0.85f, 0.08f, 0.06f};
    const float edge = std::min({across, 1.0f - across, v / 0.02f});
    return scale(red, 0.6f + 0.4f * smoothstep(0.0f, 0.12f, edge) - 0.25f * across);
}

void generateMissileTexture(const std::filesystem::path& root)
{
    const Noise noise(0x5EED0010u);
    RgbaImage image(128, 128);
    paint(image, [&noise](float u, float v) {
        return Rgba{u < bodyU ? body(u, v, noise) : fin(u, v)};
    });
    writeFile(root / "Data/Textures/missle1.bmp", BmpWriter::encode(image));
}

} // namespace

FORGE_GENERATOR("texture-missile", generateMissileTexture);

} // namespace forge
