// explosion1.wav: a missile blast, synthesised from a falling boom, a noise
// burst whose brightness falls, and sparse crackle.
#include "Generator.h"
#include "audio/Biquad.h"
#include "audio/Dynamics.h"
#include "audio/Random.h"
#include "writers/WavWriter.h"

#include <cmath>
#include <numbers>

namespace forge {
namespace {

constexpr int rate = 44100;
constexpr double seconds = 1.6;

std::vector<float> blast()
{
    Random random(0xB00Bu);
    std::vector<float> out(static_cast<std::size_t>(seconds * rate));
    double phase = 0.0;
    Biquad noiseFilter = Biquad::lowPass(rate, 6000.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        if (i % 128 == 0)
            noiseFilter = Biquad::lowPass(rate, 300.0 + 6000.0 * std::exp(-t / 0.12), 0.9);
        const double boom = std::sin(phase) * std::exp(-t / 0.35);
        phase += 2.0 * std::numbers::pi * (35.0 + 90.0 * std::exp(-t / 0.08)) / rate;
        const double noise = noiseFilter.process(random.bipolar()) * std::exp(-t / 0.45);
        const double crackle = random.unit() < 0.002 * std::exp(-t / 0.4) ? random.bipolar() * 0.8 : 0.0;
        const double attack = std::min(1.0, t / 0.002);
        out[i] = static_cast<float>(attack * (boom * 0.9 + noise * 1.4 + crackle));
    }
    dynamics::compress(out, rate, 0.4f, 3.0f, 0.003, 0.2);
    dynamics::saturate(out, 1.5f);
    dynamics::normalise(out, 0.89f);
    // A short fade so the end never clicks.
    const std::size_t fade = rate / 20;
    for (std::size_t i = 0; i < fade; ++i)
        out[out.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(fade);
    return out;
}

void generateExplosion(const std::filesystem::path& root)
{
    PcmAudio audio;
    audio.sampleRate = rate;
    audio.channels = 1;
    audio.samples = blast();
    WavWriter::write(root / "Data/Sound/explosion1.wav", audio);
}

} // namespace

FORGE_GENERATOR("explosion", generateExplosion);

} // namespace forge
