// The missile "Data/Models/missile.3ds": a rocket about one unit long pointing
// to positive y, a body of revolution with four tail fins. Mapping: the left
// three quarters of the texture wrap around the body (tail at the bottom, nose
// at the top), the right quarter holds the fins.
#include "Generator.h"
#include "generators/Shade.h"
#include "writers/ThreeDsWriter.h"

#include <cmath>

namespace forge {
namespace {

constexpr int segments = 16;
constexpr float bodyU = 0.75f;
constexpr float bottomY = -0.5f;
constexpr float length = 1.0f;

struct ProfilePoint {
    float y;
    float radius;
};

// Bottom to top: nozzle, body, ogive nose ending in the tip.
const ProfilePoint profile[] = {
    {-0.50f, 0.075f}, {-0.45f, 0.090f}, {-0.42f, 0.110f}, {0.16f, 0.110f}, {0.27f, 0.100f},
    {0.36f, 0.078f},  {0.43f, 0.050f},  {0.48f, 0.022f},  {0.50f, 0.0f},
};

float v(float y)
{
    return (y - bottomY) / length;
}

std::uint16_t index(std::size_t value)
{
    return static_cast<std::uint16_t>(value);
}

// Body directions: angle pi faces the viewer (+z), so the seam is at the back.
std::array<float, 3> around(float angle, float radius, float y)
{
    return {-radius * std::sin(angle), y, -radius * std::cos(angle)};
}

void addBody(TriMesh& mesh)
{
    const std::size_t ringSize = segments + 1;
    for (const auto& point : profile)
        for (int j = 0; j <= segments; ++j) {
            const float u = static_cast<float>(j) / segments;
            mesh.vertices.push_back(around(u * 2 * shade::pi, point.radius, point.y));
            mesh.texCoords.push_back({u * bodyU, v(point.y)});
        }
    const std::size_t rings = std::size(profile);
    for (std::size_t k = 0; k + 1 < rings; ++k)
        for (std::size_t j = 0; j < segments; ++j) {
            const std::size_t a = k * ringSize + j, b = a + 1, c = a + ringSize + 1, d = a + ringSize;
            mesh.faces.push_back({index(a), index(b), index(c)});
            if (profile[k + 1].radius > 0.0f) // the tip ring is one point: no second triangle
                mesh.faces.push_back({index(a), index(c), index(d)});
        }
    const std::size_t centre = mesh.vertices.size();
    mesh.vertices.push_back({0.0f, bottomY + 0.03f, 0.0f});
    mesh.texCoords.push_back({bodyU / 2, 0.0f});
    for (std::size_t j = 0; j < segments; ++j)
        mesh.faces.push_back({index(centre), index(j + 1), index(j)});
}

// A thin trapezoid fin in the plane of the axis and one radial direction,
// with faces on both sides.
void addFin(TriMesh& mesh, float angle)
{
    const float root = 0.105f, span = 0.17f;
    const ProfilePoint corners[] = {{-0.44f, root}, {-0.12f, root}, {-0.36f, root + span}, {-0.52f, root + span}};
    const std::size_t first = mesh.vertices.size();
    for (const auto& corner : corners) {
        mesh.vertices.push_back(around(angle, corner.radius, corner.y));
        mesh.texCoords.push_back({bodyU + 0.02f + 0.21f * (corner.radius - root) / span, v(corner.y)});
    }
    mesh.faces.push_back({index(first), index(first + 1), index(first + 2)});
    mesh.faces.push_back({index(first), index(first + 2), index(first + 3)});
    mesh.faces.push_back({index(first), index(first + 2), index(first + 1)});
    mesh.faces.push_back({index(first), index(first + 3), index(first + 2)});
}

TriMesh buildMissile()
{
    TriMesh mesh;
    mesh.name = "missile";
    addBody(mesh);
    for (int fin = 0; fin < 4; ++fin)
        addFin(mesh, shade::pi / 2 * static_cast<float>(fin));
    return mesh;
}

void generateMissileMesh(const std::filesystem::path& root)
{
    ThreeDsMaterial material;
    material.name = "MissileMaterial";
    material.ambient = {50, 50, 50};
    material.diffuse = {240, 240, 240};
    material.specular = {255, 255, 255};
    material.textureFile = "MISSLE1.BMP";
    writeFile(root / "Data/Models/missile.3ds", ThreeDsWriter::encode(buildMissile(), material));
}

} // namespace

FORGE_GENERATOR("mesh-missile", generateMissileMesh);

} // namespace forge
