// The playfield arrow "Data/Models/pfeil.3DS": the arrow outline extruded with
// a bevel on both faces, about 0.9 units long, pointing to negative x. Its
// mapping coordinates are the front-view projection, so the arrow textures
// paint the bevel band where the mesh has it.
#include "Generator.h"
#include "generators/ArrowShape.h"
#include "writers/ThreeDsWriter.h"

#include <stdexcept>

namespace forge {
namespace {

constexpr float faceDepth = 0.08f;
constexpr float wallDepth = 0.04f;

float cross(const ArrowShape::Point& a, const ArrowShape::Point& b, const ArrowShape::Point& c)
{
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

bool inTriangle(const ArrowShape::Point& p, const ArrowShape::Point& a, const ArrowShape::Point& b,
                const ArrowShape::Point& c)
{
    return cross(a, b, p) > 0 && cross(b, c, p) > 0 && cross(c, a, p) > 0;
}

// Ear clipping of a simple counter-clockwise polygon into index triples.
std::vector<std::array<int, 3>> triangulate(const std::vector<ArrowShape::Point>& polygon)
{
    std::vector<int> remaining;
    for (int i = 0; i < static_cast<int>(polygon.size()); ++i)
        remaining.push_back(i);
    std::vector<std::array<int, 3>> triangles;
    while (remaining.size() > 3) {
        const std::size_t count = remaining.size();
        bool clipped = false;
        for (std::size_t i = 0; i < count && !clipped; ++i) {
            const int a = remaining[(i + count - 1) % count], b = remaining[i], c = remaining[(i + 1) % count];
            if (cross(polygon[a], polygon[b], polygon[c]) <= 0)
                continue;
            bool blocked = false;
            for (const int other : remaining)
                if (other != a && other != b && other != c
                    && inTriangle(polygon[other], polygon[a], polygon[b], polygon[c]))
                    blocked = true;
            if (blocked)
                continue;
            triangles.push_back({a, b, c});
            remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(i));
            clipped = true;
        }
        if (!clipped)
            throw std::logic_error("arrow outline cannot be triangulated");
    }
    triangles.push_back({remaining[0], remaining[1], remaining[2]});
    return triangles;
}

// Appends one ring of the extrusion at height z; returns its first index.
std::uint16_t addRing(TriMesh& mesh, const std::vector<ArrowShape::Point>& ring, float z)
{
    const auto first = static_cast<std::uint16_t>(mesh.vertices.size());
    for (const auto& point : ring) {
        mesh.vertices.push_back({point[0], point[1], z});
        mesh.texCoords.push_back(ArrowShape::toTexture(point));
    }
    return first;
}

// Quads between two rings, facing outwards; upper lies at the larger z.
void addWall(TriMesh& mesh, std::uint16_t upper, std::uint16_t lower, std::uint16_t count)
{
    for (std::uint16_t i = 0; i < count; ++i) {
        const auto j = static_cast<std::uint16_t>((i + 1) % count);
        mesh.faces.push_back({static_cast<std::uint16_t>(lower + i), static_cast<std::uint16_t>(lower + j),
                              static_cast<std::uint16_t>(upper + j)});
        mesh.faces.push_back({static_cast<std::uint16_t>(lower + i), static_cast<std::uint16_t>(upper + j),
                              static_cast<std::uint16_t>(upper + i)});
    }
}

TriMesh buildArrow()
{
    TriMesh mesh;
    mesh.name = "pfeil";
    const auto outer = ArrowShape::outline();
    const auto inner = ArrowShape::inset(ArrowShape::bevel);
    const auto count = static_cast<std::uint16_t>(outer.size());
    const auto front = addRing(mesh, inner, faceDepth);
    const auto frontEdge = addRing(mesh, outer, wallDepth);
    const auto backEdge = addRing(mesh, outer, -wallDepth);
    const auto back = addRing(mesh, inner, -faceDepth);
    for (const auto& t : triangulate(inner)) {
        mesh.faces.push_back({static_cast<std::uint16_t>(front + t[0]), static_cast<std::uint16_t>(front + t[1]),
                              static_cast<std::uint16_t>(front + t[2])});
        mesh.faces.push_back({static_cast<std::uint16_t>(back + t[0]), static_cast<std::uint16_t>(back + t[2]),
                              static_cast<std::uint16_t>(back + t[1])});
    }
    addWall(mesh, front, frontEdge, count);
    addWall(mesh, frontEdge, backEdge, count);
    addWall(mesh, backEdge, back, count);
    return mesh;
}

void generateArrowMesh(const std::filesystem::path& root)
{
    ThreeDsMaterial material;
    material.name = "ArrowMaterial";
    material.ambient = {40, 30, 60};
    material.diffuse = {230, 230, 230};
    material.specular = {255, 255, 255};
    material.textureFile = "SPACES~2.TGA";
    writeFile(root / "Data/Models/pfeil.3DS", ThreeDsWriter::encode(buildArrow(), material));
}

} // namespace

FORGE_GENERATOR("mesh-arrow", generateArrowMesh);

} // namespace forge
