#pragma once

#include <vector>

// Level and pitch processing for mono voice recordings.
namespace forge::dynamics {

// Reads the input at `step` input samples per output sample (cubic
// interpolation): a step below 1 lowers the pitch and slows the speech.
std::vector<float> resample(const std::vector<float>& input, double step);
// Feed-forward compressor on the signal's envelope; makes speech punchy.
void compress(std::vector<float>& samples, int rate, float threshold, float ratio, double attackSeconds,
              double releaseSeconds);
// tanh saturation scaled to keep small signals unchanged.
void saturate(std::vector<float>& samples, float drive);
// Scales so the loudest sample has the given magnitude (silence stays silent).
void normalise(std::vector<float>& samples, float peak);
// Removes leading and trailing samples quieter than the threshold.
void trimSilence(std::vector<float>& samples, float threshold);

} // namespace forge::dynamics
