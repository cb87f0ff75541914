#pragma once

#include <array>
#include <vector>

namespace forge {

// The outline of the playfield arrow, pointing to negative x, in the x-y plane,
// shared by the arrow mesh and the two arrow textures, which paint their rim
// and bevel exactly where the mesh puts them.
class ArrowShape {
public:
    using Point = std::array<float, 2>;

    static constexpr float halfExtent = 0.45f; // the texture covers [-0.45, 0.45] on both axes
    static constexpr float bevel = 0.05f;       // width of the bevel seen from the front

    // Counter-clockwise seen from positive z.
    static const std::vector<Point>& outline();
    // The outline moved inwards by distance (mitred corners).
    static std::vector<Point> inset(float distance);
    // Signed distance to the outline: negative inside.
    static float signedDistance(Point p);
    // Planar mapping of the front view onto the texture square.
    static Point toTexture(Point p);
    static Point fromTexture(Point uv);
};

} // namespace forge
