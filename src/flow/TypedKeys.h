#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Keys typed on a screen, whether bound or not: the presses the input
// handler has counted since the last look, in the order they went down, so
// that a press shorter than a frame is not missed.
class TypedKeys {
public:
    // Presses so far are not taken.
    void reset();
    std::vector<std::uint8_t> take();
    // The character a key types into a search, or 0.
    static char searchCharacter(std::uint8_t code);

private:
    std::array<std::uint32_t, 256> seen{};
};
