#include "audio/Biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace forge {
namespace {

struct Angle {
    double cosine;
    double alpha;
};

Angle angleOf(double sampleRate, double frequency, double q)
{
    const double clamped = std::clamp(frequency, 1.0, sampleRate * 0.49);
    const double w = 2.0 * std::numbers::pi * clamped / sampleRate;
    return {std::cos(w), std::sin(w) / (2.0 * q)};
}

} // namespace

Biquad::Biquad(double b0, double b1, double b2, double a0, double a1, double a2)
    : b0(b0 / a0), b1(b1 / a0), b2(b2 / a0), a1(a1 / a0), a2(a2 / a0)
{
}

Biquad Biquad::lowPass(double sampleRate, double frequency, double q)
{
    const auto [c, alpha] = angleOf(sampleRate, frequency, q);
    return Biquad((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::highPass(double sampleRate, double frequency, double q)
{
    const auto [c, alpha] = angleOf(sampleRate, frequency, q);
    return Biquad((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::bandPass(double sampleRate, double frequency, double q)
{
    const auto [c, alpha] = angleOf(sampleRate, frequency, q);
    return Biquad(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

float Biquad::process(float input)
{
    const double y = b0 * input + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = input;
    y2 = y1;
    y1 = y;
    return static_cast<float>(y);
}

} // namespace forge
