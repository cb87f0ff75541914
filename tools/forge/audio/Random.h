#pragma once

#include <cstdint>

namespace forge {

// A small fixed-seed generator (xorshift32) so every run makes the same noise.
class Random {
public:
    explicit Random(std::uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}

    std::uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // Uniform in [0, 1).
    float unit() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }
    // Uniform in [-1, 1).
    float bipolar() { return unit() * 2.0f - 1.0f; }

private:
    std::uint32_t state;
};

} // namespace forge
