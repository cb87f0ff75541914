#pragma once

#include <array>
#include <cstdint>

// Beside the 256 key-down flags: the tick count at which each key last went
// down, and how many times it has gone down, so that a press shorter than a
// frame still counts and is judged at the moment it happened; the same for
// each key going up again.
struct KeyPresses {
    std::array<std::uint32_t, 256> tick{};
    std::array<std::uint32_t, 256> count{};
    std::array<std::uint32_t, 256> releaseTick{};
    std::array<std::uint32_t, 256> releaseCount{};
};
