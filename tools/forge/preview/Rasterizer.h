#pragma once

#include "writers/RgbaImage.h"
#include "writers/ThreeDsWriter.h"

#include <array>
#include <vector>

namespace forge {

// A rotation and translation placing a mesh in front of the camera.
struct Placement {
    std::array<std::array<float, 3>, 3> rotation{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    std::array<float, 3> offset{0, 0, 0};

    // Rotation by degrees about an axis (need not be unit length), applied after this one.
    Placement rotated(std::array<float, 3> axis, float degrees) const;
    Placement moved(float x, float y, float z) const;
    std::array<float, 3> apply(const std::array<float, 3>& p) const;
};

// A small software renderer for previews: perspective camera at the origin
// looking down negative z, z-buffered triangles, either textured as the game
// draws them (unlit, texture colour only) or flat shaded to show the shape.
class Rasterizer {
public:
    enum class Mode { Textured, Flat };

    Rasterizer(int width, int height, float focalPixels, RgbaImage::Pixel background);

    void draw(const TriMesh& mesh, const RgbaImage* texture, const Placement& placement, Mode mode);
    const RgbaImage& image() const { return target; }

private:
    struct ScreenVertex {
        float x, y, inverseDepth, u, v;
    };

    void fillTriangle(const std::array<ScreenVertex, 3>& v, const RgbaImage* texture, float shade);

    RgbaImage target;
    std::vector<float> depth;
    float focal;
};

} // namespace forge
