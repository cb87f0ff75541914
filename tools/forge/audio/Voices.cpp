#include "audio/Voices.h"

#include "audio/Biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace forge::voices {
namespace {

constexpr double twoPi = 2.0 * std::numbers::pi;

std::size_t framesFor(int rate, double seconds)
{
    return static_cast<std::size_t>(std::max(0.0, seconds) * rate);
}

// A decaying sine partial added by rotating a phasor: cheap and exact enough.
void addPartial(std::vector<float>& out, int rate, double frequency, double amplitude, double decaySeconds)
{
    if (frequency >= rate * 0.45)
        return;
    const double w = twoPi * frequency / rate;
    const double cw = std::cos(w), sw = std::sin(w);
    const double decay = std::exp(-1.0 / (decaySeconds * rate));
    double c = 1.0, s = 0.0, level = amplitude;
    for (float& sample : out) {
        sample += static_cast<float>(s * level);
        const double nc = c * cw - s * sw;
        s = s * cw + c * sw;
        c = nc;
        level *= decay;
    }
}

// Short linear fade-in and fade-out so notes never click.
void shapeEdges(std::vector<float>& out, int rate, double attackSeconds, double releaseSeconds)
{
    const std::size_t attack = std::min(out.size(), framesFor(rate, attackSeconds));
    for (std::size_t i = 0; i < attack; ++i)
        out[i] *= static_cast<float>(i) / static_cast<float>(attack);
    const std::size_t release = std::min(out.size(), framesFor(rate, releaseSeconds));
    for (std::size_t i = 0; i < release; ++i)
        out[out.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(release);
}

std::vector<float> filteredNoise(int rate, Random& random, Biquad filter, double seconds, double decaySeconds)
{
    std::vector<float> out(framesFor(rate, seconds));
    const double decay = std::exp(-1.0 / (decaySeconds * rate));
    double level = 1.0;
    for (float& sample : out) {
        sample = static_cast<float>(filter.process(random.bipolar()) * level);
        level *= decay;
    }
    return out;
}

} // namespace

double midiToFrequency(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

std::vector<float> kick(int rate)
{
    std::vector<float> out(framesFor(rate, 0.4));
    // The body starts a quarter turn in (at its crest, after a 0.3 ms ramp)
    // so the onset is sharp and the beat lands on the sample it is placed at.
    double phase = std::numbers::pi / 2;
    const double ramp = 0.0003 * rate;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double frequency = 48.0 + 120.0 * std::exp(-t / 0.035);
        const double body = std::sin(phase) * std::exp(-t / 0.13);
        const double click = std::sin(twoPi * 1500.0 * t) * std::exp(-t / 0.002) * 0.3;
        out[i] = static_cast<float>((body + click) * std::min(1.0, static_cast<double>(i) / ramp));
        phase += twoPi * frequency / rate;
    }
    shapeEdges(out, rate, 0.0, 0.02);
    return out;
}

std::vector<float> snare(int rate, Random& random)
{
    auto out = filteredNoise(rate, random, Biquad::bandPass(rate, 2200.0, 0.8), 0.3, 0.07);
    addPartial(out, rate, 200.0, 0.5, 0.04);
    Biquad highPass = Biquad::highPass(rate, 180.0);
    for (float& sample : out)
        sample = highPass.process(sample);
    shapeEdges(out, rate, 0.0005, 0.02);
    return out;
}

std::vector<float> hat(int rate, Random& random, bool open)
{
    auto out = filteredNoise(rate, random, Biquad::highPass(rate, 7500.0), open ? 0.35 : 0.08, open ? 0.09 : 0.02);
    shapeEdges(out, rate, 0.0005, 0.01);
    return out;
}

std::vector<float> crash(int rate, Random& random)
{
    auto out = filteredNoise(rate, random, Biquad::highPass(rate, 4000.0), 2.5, 0.7);
    shapeEdges(out, rate, 0.001, 0.2);
    return out;
}

std::vector<float> riser(int rate, Random& random, double seconds)
{
    std::vector<float> out(framesFor(rate, seconds));
    Biquad filter = Biquad::bandPass(rate, 400.0, 1.5);
    const std::size_t block = 256;
    for (std::size_t start = 0; start < out.size(); start += block) {
        const double progress = static_cast<double>(start) / static_cast<double>(out.size());
        filter = Biquad::bandPass(rate, 400.0 * std::pow(20.0, progress), 1.5);
        const std::size_t end = std::min(out.size(), start + block);
        for (std::size_t i = start; i < end; ++i) {
            const double p = static_cast<double>(i) / static_cast<double>(out.size());
            out[i] = static_cast<float>(filter.process(random.bipolar()) * p * p);
        }
    }
    return out;
}

std::vector<float> bass(int rate, double frequency, double seconds)
{
    std::vector<float> out(framesFor(rate, seconds));
    const double w = twoPi * frequency / rate;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double tone = std::sin(w * static_cast<double>(i));
        // A little saturation gives the sine upper harmonics that small speakers can play.
        out[i] = static_cast<float>(std::tanh(1.5 * tone) * 0.8 * std::exp(-t / 0.6));
    }
    shapeEdges(out, rate, 0.012, 0.03);
    return out;
}

std::vector<float> steelDrum(int rate, double frequency, double seconds)
{
    std::vector<float> out(framesFor(rate, seconds + 0.6));
    addPartial(out, rate, frequency, 0.7, 0.55);
    addPartial(out, rate, frequency * 2.0, 0.55, 0.3);
    addPartial(out, rate, frequency * 3.01, 0.25, 0.16);
    addPartial(out, rate, frequency * 4.1, 0.12, 0.08);
    addPartial(out, rate, frequency * 5.3, 0.08, 0.03);
    shapeEdges(out, rate, 0.003, 0.3);
    return out;
}

std::vector<float> marimba(int rate, double frequency)
{
    std::vector<float> out(framesFor(rate, 0.6));
    addPartial(out, rate, frequency, 0.8, 0.22);
    addPartial(out, rate, frequency * 3.93, 0.3, 0.05);
    addPartial(out, rate, frequency * 9.2, 0.08, 0.015);
    shapeEdges(out, rate, 0.002, 0.05);
    return out;
}

std::vector<float> pad(int rate, const std::vector<double>& frequencies, double seconds)
{
    std::vector<float> out(framesFor(rate, seconds));
    for (const double frequency : frequencies) {
        for (const double detune : {0.996, 1.004}) {
            const double step = frequency * detune / rate;
            double phase = detune > 1.0 ? 0.5 : 0.0;
            for (float& sample : out) {
                sample += static_cast<float>((2.0 * phase - 1.0) * 0.15);
                phase += step;
                if (phase >= 1.0)
                    phase -= 1.0;
            }
        }
    }
    Biquad first = Biquad::lowPass(rate, 1400.0);
    Biquad second = Biquad::lowPass(rate, 1400.0);
    for (float& sample : out)
        sample = second.process(first.process(sample));
    shapeEdges(out, rate, std::min(0.4, seconds / 3), std::min(0.5, seconds / 3));
    return out;
}

} // namespace forge::voices
