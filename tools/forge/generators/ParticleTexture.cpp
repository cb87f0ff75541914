// "Data/Textures/ParticleSystem/part1.bmp": the swarm particle. The swarm
// draws it in the GL_BLEND texture mode with the default black environment
// colour, where a texel's brightness removes the particle's colour instead of
// adding it. So the soft glow is stored inverted: black at the centre fading
// to white well inside the shown square (texture coordinates 0.1 to 0.9).
#include "Generator.h"
#include "generators/Shade.h"
#include "writers/BmpWriter.h"

#include <cmath>

namespace forge {
namespace {

using namespace shade;

Rgba invertedGlow(float u, float v)
{
    const float r = std::hypot(u - 0.5f, v - 0.5f);
    const float glow = std::exp(-0.5f * std::pow(r / 0.12f, 2.0f)) * (1.0f - smoothstep(0.3f, 0.4f, r));
    const float level = 1.0f - glow;
    return {{level, level, level}};
}

void generateParticleTexture(const std::filesystem::path& root)
{
    RgbaImage image(64, 64);
    paint(image, invertedGlow);
    writeFile(root / "Data/Textures/ParticleSystem/part1.bmp", BmpWriter::encode(image));
}

} // namespace

FORGE_GENERATOR("texture-particle", generateParticleTexture);

} // namespace forge
