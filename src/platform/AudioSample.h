#pragma once

#include <cstddef>
#include <vector>

namespace platform {

// A sound decoded whole into memory (stereo float frames at the mixer's rate),
// for short effects that may play on several channels at once.
class AudioSample {
public:
    explicit AudioSample(std::vector<float> frames)
        : samples(std::move(frames))
    {
    }

    std::size_t frameCount() const { return samples.size() / 2; }
    const float* frame(std::size_t index) const { return &samples[index * 2]; }

private:
    const std::vector<float> samples;
};

} // namespace platform
