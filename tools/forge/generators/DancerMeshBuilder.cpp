#include "generators/DancerMeshBuilder.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace forge {
namespace {

using Vec3 = DancerMeshBuilder::Vec3;

Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }

Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float length(const Vec3& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

Vec3 normalized(const Vec3& a)
{
    const float l = length(a);
    return l > 0.0f ? Vec3{a[0] / l, a[1] / l, a[2] / l} : Vec3{0, 1, 0};
}

constexpr float pi = std::numbers::pi_v<float>;
constexpr float degenerate = 1e-8f;

// Texture columns from the angle of each point of the widest ring around the axis.
std::vector<float> columnU(const std::vector<DancerMeshBuilder::Ring>& rings)
{
    const DancerMeshBuilder::Ring* widest = &rings.front();
    auto spread = [](const DancerMeshBuilder::Ring& r) { return length(sub(r.points.front(), r.points[r.points.size() / 2])); };
    for (const auto& ring : rings)
        if (spread(ring) > spread(*widest))
            widest = &ring;
    Vec3 centre{0, 0, 0};
    for (const auto& p : widest->points)
        centre = add(centre, p);
    const float n = static_cast<float>(widest->points.size());
    centre = {centre[0] / n, centre[1] / n, centre[2] / n};
    std::vector<float> u;
    for (const auto& p : widest->points) {
        const float angle = std::atan2(p[0] - centre[0], p[2] - centre[2]);
        u.push_back(u.empty() ? 0.0f : 0.5f + angle / (2.0f * pi));
    }
    u.push_back(1.0f);
    return u;
}

} // namespace

void DancerMeshBuilder::attach(int newJoint, DancerTexture::Region newRegion)
{
    joint = newJoint;
    region = newRegion;
}

std::uint16_t DancerMeshBuilder::vertex(const Vec3& position)
{
    const auto key = std::make_tuple(joint, position[0], position[1], position[2]);
    if (const auto found = vertexIndex.find(key); found != vertexIndex.end())
        return found->second;
    if (model.vertices.size() >= 0xFFFF)
        throw std::length_error("dancer: too many vertices");
    Ms3dWriter::Vertex v;
    v.position = position;
    v.bone = static_cast<std::int8_t>(joint);
    model.vertices.push_back(v);
    const auto index = static_cast<std::uint16_t>(model.vertices.size() - 1);
    vertexIndex.emplace(key, index);
    return index;
}

void DancerMeshBuilder::addTriangle(const std::array<std::uint16_t, 3>& indices, const std::array<Vec3, 3>& normals,
                                    const std::array<float, 3>& u, const std::array<float, 3>& v)
{
    Ms3dWriter::Triangle t;
    t.indices = indices;
    t.normals = normals;
    for (int corner = 0; corner < 3; ++corner) {
        t.s[corner] = region.s(u[corner]);
        t.t[corner] = region.t(v[corner]);
    }
    model.triangles.push_back(t);
}

void DancerMeshBuilder::loft(const std::vector<Ring>& rings, Shading shading)
{
    const std::size_t sides = rings.front().points.size();
    for (const auto& ring : rings)
        if (ring.points.size() != sides)
            throw std::logic_error("dancer: rings of a loft differ in size");
    const std::vector<float> u = columnU(rings);
    auto point = [&](std::size_t r, std::size_t c) { return rings[r].points[c % sides]; };

    // Area-weighted corner normals for smooth parts, summed over the quads around each point.
    std::vector<Vec3> smooth(rings.size() * sides, Vec3{0, 0, 0});
    auto faceNormal = [&](const Vec3& a, const Vec3& b, const Vec3& c) { return cross(sub(b, a), sub(c, a)); };
    struct Corner { std::size_t ring, column; };
    auto forEachTriangle = [&](auto&& visit) {
        for (std::size_t r = 0; r + 1 < rings.size(); ++r)
            for (std::size_t c = 0; c < sides; ++c) {
                const Corner a{r, c}, b{r, c + 1}, top{r + 1, c + 1}, d{r + 1, c};
                visit(std::array<Corner, 3>{a, b, top});
                visit(std::array<Corner, 3>{a, top, d});
            }
    };
    forEachTriangle([&](const std::array<Corner, 3>& tri) {
        const Vec3 n = faceNormal(point(tri[0].ring, tri[0].column), point(tri[1].ring, tri[1].column),
                                  point(tri[2].ring, tri[2].column));
        for (const auto& corner : tri) {
            auto& sum = smooth[corner.ring * sides + corner.column % sides];
            sum = add(sum, n);
        }
    });
    forEachTriangle([&](const std::array<Corner, 3>& tri) {
        std::array<Vec3, 3> positions;
        for (int i = 0; i < 3; ++i)
            positions[i] = point(tri[i].ring, tri[i].column);
        const Vec3 flat = faceNormal(positions[0], positions[1], positions[2]);
        if (length(flat) < degenerate)
            return;
        std::array<std::uint16_t, 3> indices;
        std::array<Vec3, 3> normals;
        std::array<float, 3> us, vs;
        for (int i = 0; i < 3; ++i) {
            indices[i] = vertex(positions[i]);
            normals[i] = normalized(shading == Shading::Flat ? flat : smooth[tri[i].ring * sides + tri[i].column % sides]);
            us[i] = u[tri[i].column];
            vs[i] = rings[tri[i].ring].v;
        }
        addTriangle(indices, normals, us, vs);
    });
}

DancerMeshBuilder::Ring DancerMeshBuilder::boxRing(Vec3 c, float halfX, float halfZ, float chamfer, float v)
{
    const float cx = std::min(chamfer, halfX), cz = std::min(chamfer, halfZ);
    const float y = c[1];
    Ring ring{{{c[0], y, c[2] - halfZ}}, v};
    const float xs[] = {-1, -1, 1, 1};
    const float zs[] = {-1, 1, 1, -1};
    for (int corner = 0; corner < 4; ++corner) {
        const float x = xs[corner], z = zs[corner];
        // Walk each corner in the ring's direction: back, -x, front, +x.
        const bool alongX = (corner % 2) == 1;
        const Vec3 first = alongX ? Vec3{c[0] + x * halfX, y, c[2] + z * (halfZ - cz)}
                                  : Vec3{c[0] + x * (halfX - cx), y, c[2] + z * halfZ};
        const Vec3 second = alongX ? Vec3{c[0] + x * (halfX - cx), y, c[2] + z * halfZ}
                                   : Vec3{c[0] + x * halfX, y, c[2] + z * (halfZ - cz)};
        ring.points.push_back(first);
        if (chamfer > 0.0f)
            ring.points.push_back(second);
    }
    return ring;
}

DancerMeshBuilder::Ring DancerMeshBuilder::ellipseRing(Vec3 c, float radiusX, float radiusZ, int sides, float v)
{
    Ring ring{{}, v};
    for (int i = 0; i < sides; ++i) {
        const float angle = -pi + 2.0f * pi * static_cast<float>(i) / static_cast<float>(sides);
        ring.points.push_back({c[0] + radiusX * std::sin(angle), c[1], c[2] + radiusZ * std::cos(angle)});
    }
    return ring;
}

void DancerMeshBuilder::box(Vec3 bottomCentre, float height, float halfX, float halfZ, float chamfer)
{
    taperedBox(bottomCentre, height, halfX, halfZ, halfX, halfZ, chamfer);
}

void DancerMeshBuilder::taperedBox(Vec3 b, float height, float bottomX, float bottomZ, float topX, float topZ,
                                   float chamfer)
{
    const Vec3 top{b[0], b[1] + height, b[2]};
    const Ring bottomRing = boxRing(b, bottomX, bottomZ, chamfer, 1.0f);
    const Ring topRing = boxRing(top, topX, topZ, chamfer, 0.0f);
    const Ring bottomCap{std::vector<Vec3>(bottomRing.points.size(), b), 1.0f};
    const Ring topCap{std::vector<Vec3>(topRing.points.size(), top), 0.0f};
    loft({bottomCap, bottomRing, topRing, topCap}, Shading::Flat);
}

void DancerMeshBuilder::capsule(Vec3 bottom, float bottomRadius, Vec3 top, float topRadius, int sides)
{
    std::vector<Ring> rings;
    const float length = top[1] - bottom[1];
    auto dome = [&](const Vec3& end, float radius, float direction, bool fromPole) {
        const float angles[] = {90.0f, 58.0f, 28.0f, 0.0f};
        for (int k = 0; k < 4; ++k) {
            const float a = angles[fromPole ? k : 3 - k] * pi / 180.0f;
            const float y = end[1] + direction * radius * std::sin(a) * 0.8f;
            const float v = (top[1] + topRadius * 0.8f - y) / (length + (topRadius + bottomRadius) * 0.8f);
            rings.push_back(ellipseRing({end[0], y, end[2]}, radius * std::cos(a), radius * std::cos(a), sides, v));
        }
    };
    dome(bottom, bottomRadius, -1.0f, true);
    dome(top, topRadius, 1.0f, false);
    loft(rings, Shading::Smooth);
}

void DancerMeshBuilder::ellipsoid(Vec3 centre, Vec3 radii, int ringCount, int sides)
{
    std::vector<Ring> rings;
    for (int i = 0; i <= ringCount; ++i) {
        const float latitude = -pi / 2.0f + pi * static_cast<float>(i) / static_cast<float>(ringCount);
        const float scale = std::cos(latitude);
        rings.push_back(ellipseRing({centre[0], centre[1] + radii[1] * std::sin(latitude), centre[2]},
                                    radii[0] * scale, radii[2] * scale, sides,
                                    1.0f - static_cast<float>(i) / static_cast<float>(ringCount)));
    }
    loft(rings, Shading::Smooth);
}

void DancerMeshBuilder::finish(const char* groupName)
{
    Ms3dWriter::Group group;
    group.name = groupName;
    group.material = 0;
    for (std::size_t i = 0; i < model.triangles.size(); ++i)
        group.triangles.push_back(static_cast<std::uint16_t>(i));
    model.groups.push_back(group);
    Ms3dWriter::countReferences(model);
}

} // namespace forge
