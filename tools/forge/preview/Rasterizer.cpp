#include "preview/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace forge {
namespace {

using Vec = std::array<float, 3>;

Vec sub(const Vec& a, const Vec& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec cross(const Vec& a, const Vec& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vec normalised(const Vec& a)
{
    const float length = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    return length > 0 ? Vec{a[0] / length, a[1] / length, a[2] / length} : Vec{0, 0, 1};
}

// Bilinear lookup with wrapping; v = 0 is the bottom row, as in OpenGL.
RgbaImage::Pixel sample(const RgbaImage& texture, float u, float v)
{
    const float fx = u * static_cast<float>(texture.width()) - 0.5f;
    const float fy = (1.0f - v) * static_cast<float>(texture.height()) - 0.5f;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const float tx = fx - static_cast<float>(x0), ty = fy - static_cast<float>(y0);
    auto texel = [&texture](int x, int y) {
        const int w = texture.width(), h = texture.height();
        return texture.at(((x % w) + w) % w, ((y % h) + h) % h);
    };
    float channels[4] = {};
    const RgbaImage::Pixel corners[4] = {texel(x0, y0), texel(x0 + 1, y0), texel(x0, y0 + 1), texel(x0 + 1, y0 + 1)};
    const float weights[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};
    for (int i = 0; i < 4; ++i) {
        channels[0] += weights[i] * corners[i].r;
        channels[1] += weights[i] * corners[i].g;
        channels[2] += weights[i] * corners[i].b;
        channels[3] += weights[i] * corners[i].a;
    }
    auto byte = [](float value) { return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)); };
    return {byte(channels[0]), byte(channels[1]), byte(channels[2]), byte(channels[3])};
}

} // namespace

Placement Placement::rotated(std::array<float, 3> axis, float degrees) const
{
    const Vec n = normalised(axis);
    const float a = degrees * 3.14159265f / 180.0f, c = std::cos(a), s = std::sin(a), t = 1 - c;
    const std::array<std::array<float, 3>, 3> r{{
        {t * n[0] * n[0] + c, t * n[0] * n[1] - s * n[2], t * n[0] * n[2] + s * n[1]},
        {t * n[0] * n[1] + s * n[2], t * n[1] * n[1] + c, t * n[1] * n[2] - s * n[0]},
        {t * n[0] * n[2] - s * n[1], t * n[1] * n[2] + s * n[0], t * n[2] * n[2] + c},
    }};
    Placement result = *this;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            result.rotation[i][j] = r[i][0] * rotation[0][j] + r[i][1] * rotation[1][j] + r[i][2] * rotation[2][j];
    result.offset = {r[0][0] * offset[0] + r[0][1] * offset[1] + r[0][2] * offset[2],
                     r[1][0] * offset[0] + r[1][1] * offset[1] + r[1][2] * offset[2],
                     r[2][0] * offset[0] + r[2][1] * offset[1] + r[2][2] * offset[2]};
    return result;
}

Placement Placement::moved(float x, float y, float z) const
{
    Placement result = *this;
    result.offset = {offset[0] + x, offset[1] + y, offset[2] + z};
    return result;
}

std::array<float, 3> Placement::apply(const std::array<float, 3>& p) const
{
    std::array<float, 3> out{};
    for (int i = 0; i < 3; ++i)
        out[i] = rotation[i][0] * p[0] + rotation[i][1] * p[1] + rotation[i][2] * p[2] + offset[i];
    return out;
}

Rasterizer::Rasterizer(int width, int height, float focalPixels, RgbaImage::Pixel background)
    : target(width, height), depth(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0.0f),
      focal(focalPixels)
{
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            target.set(x, y, background);
}

void Rasterizer::draw(const TriMesh& mesh, const RgbaImage* texture, const Placement& placement, Mode mode)
{
    const Vec light = normalised({-0.5f, 0.7f, 0.6f});
    for (const auto& face : mesh.faces) {
        std::array<Vec, 3> world;
        std::array<ScreenVertex, 3> screen;
        bool visible = true;
        for (int k = 0; k < 3; ++k) {
            world[k] = placement.apply(mesh.vertices[face[k]]);
            if (world[k][2] > -0.01f)
                visible = false;
            const float w = 1.0f / -world[k][2];
            screen[k] = {static_cast<float>(target.width()) / 2 + focal * world[k][0] * w,
                         static_cast<float>(target.height()) / 2 - focal * world[k][1] * w, w,
                         mesh.texCoords[face[k]][0] * w, mesh.texCoords[face[k]][1] * w};
        }
        if (!visible)
            continue;
        const Vec normal = normalised(cross(sub(world[1], world[0]), sub(world[2], world[0])));
        const float lambert = std::fabs(normal[0] * light[0] + normal[1] * light[1] + normal[2] * light[2]);
        if (mode == Mode::Flat)
            fillTriangle(screen, nullptr, 0.25f + 0.75f * lambert);
        else
            fillTriangle(screen, texture, 1.0f);
    }
}

void Rasterizer::fillTriangle(const std::array<ScreenVertex, 3>& v, const RgbaImage* texture, float shade)
{
    const float area = (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[1].y - v[0].y) * (v[2].x - v[0].x);
    if (std::fabs(area) < 1e-6f)
        return;
    const int minX = std::max(0, static_cast<int>(std::floor(std::min({v[0].x, v[1].x, v[2].x}))));
    const int maxX = std::min(target.width() - 1, static_cast<int>(std::ceil(std::max({v[0].x, v[1].x, v[2].x}))));
    const int minY = std::max(0, static_cast<int>(std::floor(std::min({v[0].y, v[1].y, v[2].y}))));
    const int maxY = std::min(target.height() - 1, static_cast<int>(std::ceil(std::max({v[0].y, v[1].y, v[2].y}))));
    for (int y = minY; y <= maxY; ++y)
        for (int x = minX; x <= maxX; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            float b[3];
            for (int k = 0; k < 3; ++k) {
                const auto& a = v[(k + 1) % 3];
                const auto& c = v[(k + 2) % 3];
                b[k] = ((c.x - a.x) * (py - a.y) - (c.y - a.y) * (px - a.x)) / area;
            }
            if (b[0] < 0 || b[1] < 0 || b[2] < 0)
                continue;
            const float w = b[0] * v[0].inverseDepth + b[1] * v[1].inverseDepth + b[2] * v[2].inverseDepth;
            auto& stored = depth[static_cast<std::size_t>(y) * static_cast<std::size_t>(target.width())
                                 + static_cast<std::size_t>(x)];
            if (w <= stored)
                continue;
            stored = w;
            RgbaImage::Pixel colour{200, 200, 205, 255};
            if (texture) {
                const float u = (b[0] * v[0].u + b[1] * v[1].u + b[2] * v[2].u) / w;
                const float tv = (b[0] * v[0].v + b[1] * v[1].v + b[2] * v[2].v) / w;
                colour = sample(*texture, u, tv);
                colour.a = 255;
            }
            auto lit = [shade](std::uint8_t c) { return static_cast<std::uint8_t>(std::min(255.0f, c * shade)); };
            target.set(x, y, {lit(colour.r), lit(colour.g), lit(colour.b), 255});
        }
}

} // namespace forge
