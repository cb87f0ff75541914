#pragma once

#include "generators/DancerTexture.h"
#include "writers/Ms3dWriter.h"

#include <map>
#include <tuple>
#include <vector>

namespace forge {

// Builds the dancer's body parts into an MS3D model. Every part is a loft:
// a stack of closed rings around a vertical axis, listed bottom to top, each
// ring starting at the back (-z) and running through -x, the front (+z) and
// +x. The texture region wraps once around, so its middle column faces front,
// and runs from the top ring (t 0) down to the bottom ring. All vertices of a
// part hang on the joint chosen with attach().
class DancerMeshBuilder {
public:
    using Vec3 = Ms3dWriter::Vec3;

    struct Ring {
        std::vector<Vec3> points;
        float v = 0.0f;
    };
    enum class Shading { Flat, Smooth };

    explicit DancerMeshBuilder(Ms3dWriter::Model& model) : model(model) {}

    void attach(int joint, DancerTexture::Region region);
    void loft(const std::vector<Ring>& rings, Shading shading);

    // Ring helpers. A box ring with cut corners (chamfer 0 gives a plain box).
    static Ring boxRing(Vec3 centre, float halfX, float halfZ, float chamfer, float v);
    static Ring ellipseRing(Vec3 centre, float radiusX, float radiusZ, int sides, float v);

    // A closed box with cut corners between two heights.
    void box(Vec3 bottomCentre, float height, float halfX, float halfZ, float chamfer);
    // A box whose top and bottom differ, for the tapering torso parts.
    void taperedBox(Vec3 bottomCentre, float height, float bottomX, float bottomZ, float topX, float topZ,
                    float chamfer);
    // A tapered cylinder along y with domed ends, from bottom to top.
    void capsule(Vec3 bottom, float bottomRadius, Vec3 top, float topRadius, int sides);
    void ellipsoid(Vec3 centre, Vec3 radii, int rings, int sides);

    // Groups every triangle into one group using material 0.
    void finish(const char* groupName);

private:
    std::uint16_t vertex(const Vec3& position);
    void addTriangle(const std::array<std::uint16_t, 3>& indices, const std::array<Vec3, 3>& normals,
                     const std::array<float, 3>& u, const std::array<float, 3>& v);

    Ms3dWriter::Model& model;
    int joint = -1;
    DancerTexture::Region region{0, 0, 1, 1};
    std::map<std::tuple<int, float, float, float>, std::uint16_t> vertexIndex;
};

} // namespace forge
