#pragma once

#include <cstddef>
#include <vector>

namespace forge {

// Sampled sound as the sound writers take it: interleaved floats in -1..1.
struct PcmAudio {
    int sampleRate = 44100;
    int channels = 1;
    std::vector<float> samples;

    std::size_t frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};

} // namespace forge
