#pragma once

#include <array>
#include <cstdint>

// Where each lane stands in a field and how its arrow mesh is turned. Arrows
// and goal markers of one lane share both values.
struct LaneGeometry {
    static constexpr std::array<float, 4> x{-1.5f, -0.5f, 1.5f, 0.5f};
    static constexpr std::array<float, 4> angle{0.0f, -90.0f, 180.0f, 90.0f};
    // The mesh turns about this axis, tilted slightly off the z axis.
    static constexpr float axisX = 0.0f;
    static constexpr float axisY = 0.2f;
    static constexpr float axisZ = 1.0f;

    static constexpr bool isLane(std::uint32_t lane) { return lane < x.size(); }
};
