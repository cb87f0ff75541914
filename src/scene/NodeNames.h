#pragma once

#include <cstdint>
#include <string>

// The paths under which nodes are linked into the scene graph where other
// code finds them by name.
namespace nodes {

// The goal marker of a lane: "Goal0" to "Goal3".
inline std::string goal(int lane)
{
    return "Goal" + std::to_string(lane);
}
// The carrier arrow that every spawned arrow hangs below, and their path.
constexpr const char* carrierArrow = "Arrow";
constexpr const char* spawnedArrow = "Arrow\\Arrow";
constexpr const char* dancer = "Dancer";
// A player's sidebar (1 or 2).
constexpr const char* sidebarP1 = "sidebar_p1";
constexpr const char* sidebarP2 = "sidebar_p2";
inline const char* sidebar(int player)
{
    return player == 1 ? sidebarP1 : sidebarP2;
}

} // namespace nodes
