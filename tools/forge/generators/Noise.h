#pragma once

#include <cstdint>

namespace forge {

// Deterministic value noise from an integer hash (no global random state), so
// every texture comes out byte-identical on every run and machine.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : seed(seed) {}

    // Smooth noise in [0, 1] on a unit lattice. A positive period makes it
    // tile every period lattice cells.
    float value(float x, float y, int period = 0) const;
    float value3(float x, float y, float z) const;
    // Sum of octaves, each twice the frequency and half the weight; [0, 1].
    float fractal(float x, float y, int octaves, int period = 0) const;
    float fractal3(float x, float y, float z, int octaves) const;

private:
    float lattice(int x, int y, int z) const;

    std::uint32_t seed;
};

} // namespace forge
