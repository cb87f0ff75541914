#include "audio/Dynamics.h"

#include <algorithm>
#include <cmath>

namespace forge::dynamics {

std::vector<float> resample(const std::vector<float>& input, double step)
{
    std::vector<float> out;
    if (input.empty() || step <= 0.0)
        return out;
    const auto at = [&](long index) {
        return input[static_cast<std::size_t>(std::clamp<long>(index, 0, static_cast<long>(input.size()) - 1))];
    };
    out.reserve(static_cast<std::size_t>(static_cast<double>(input.size()) / step) + 1);
    for (double position = 0.0; position < static_cast<double>(input.size() - 1); position += step) {
        const long i = static_cast<long>(position);
        const float t = static_cast<float>(position - static_cast<double>(i));
        const float p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
        // Catmull-Rom spline through the four neighbours.
        out.push_back(p1 + 0.5f * t * (p2 - p0 + t * (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3
                                                      + t * (3.0f * (p1 - p2) + p3 - p0))));
    }
    return out;
}

void compress(std::vector<float>& samples, int rate, float threshold, float ratio, double attackSeconds,
              double releaseSeconds)
{
    const float attack = static_cast<float>(std::exp(-1.0 / (attackSeconds * rate)));
    const float release = static_cast<float>(std::exp(-1.0 / (releaseSeconds * rate)));
    float envelope = 0.0f;
    for (float& sample : samples) {
        const float level = std::fabs(sample);
        const float coefficient = level > envelope ? attack : release;
        envelope = coefficient * envelope + (1.0f - coefficient) * level;
        if (envelope > threshold) {
            const float target = threshold + (envelope - threshold) / ratio;
            sample *= target / envelope;
        }
    }
}

void saturate(std::vector<float>& samples, float drive)
{
    if (drive <= 0.0f)
        return;
    for (float& sample : samples)
        sample = std::tanh(sample * drive) / drive;
}

void normalise(std::vector<float>& samples, float peak)
{
    float loudest = 0.0f;
    for (const float sample : samples)
        loudest = std::max(loudest, std::fabs(sample));
    if (loudest <= 0.0f)
        return;
    for (float& sample : samples)
        sample *= peak / loudest;
}

void trimSilence(std::vector<float>& samples, float threshold)
{
    const auto loud = [threshold](float sample) { return std::fabs(sample) >= threshold; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    if (first == samples.end()) {
        samples.clear();
        return;
    }
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    samples = std::vector<float>(first, last);
}

} // namespace forge::dynamics
