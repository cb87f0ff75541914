#include "Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace preview {
namespace {

constexpr float pi = 3.14159265358979f;

Vec3 normalize(Vec3 v)
{
    const float l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return l > 0 ? Vec3{v[0] / l, v[1] / l, v[2] / l} : v;
}

float dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The dancer's model-view: centred node at z -9, then (0, -13, -60), then 30 degrees about x.
Matrix placement()
{
    Matrix m = Matrix::euler({30.0f * pi / 180.0f, 0, 0});
    m.m[13] = -13.0f;
    m.m[14] = -69.0f;
    return m;
}

// The light sits at (0, 0, 50.7) under the frame's half scale and 24 units back.
const Vec3 lightPosition{0.0f, 0.0f, 13.35f};

} // namespace

Rasterizer::Rasterizer(int width, int height)
    : width(width), height(height), colour(width * height), depth(width * height)
{
    clear();
}

bool Rasterizer::loadTexture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), {});
    if (file.size() < 18 || file[2] != 2 || file[16] != 24)
        return false;
    textureWidth = file[12] | file[13] << 8;
    textureHeight = file[14] | file[15] << 8;
    if (file.size() < 18 + static_cast<std::size_t>(textureWidth) * textureHeight * 3)
        return false;
    texture.assign(static_cast<std::size_t>(textureWidth) * textureHeight * 3, 0);
    for (int row = 0; row < textureHeight; ++row)
        for (int x = 0; x < textureWidth; ++x)
            for (int c = 0; c < 3; ++c)
                texture[((textureHeight - 1 - row) * textureWidth + x) * 3 + c] =
                    file[18 + (row * textureWidth + x) * 3 + (2 - c)];
    return true;
}

void Rasterizer::clear()
{
    std::fill(colour.begin(), colour.end(), Vec3{0, 0, 0});
    std::fill(depth.begin(), depth.end(), 1e30f);
}

Vec3 Rasterizer::texel(float s, float t) const
{
    if (texture.empty())
        return {1, 1, 1};
    const int x = std::clamp(static_cast<int>(s * textureWidth), 0, textureWidth - 1);
    const int y = std::clamp(static_cast<int>(t * textureHeight), 0, textureHeight - 1);
    const auto* p = &texture[(y * textureWidth + x) * 3];
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
}

Rasterizer::Extent Rasterizer::draw(const PosedModel& model, float ms)
{
    std::vector<Vec3> positions, normals;
    model.pose(ms, positions, normals);
    const Matrix view = placement();
    const float f = 1.0f / std::tan(22.5f * pi / 180.0f);
    const float aspect = 4.0f / 3.0f;
    Extent extent;
    std::vector<ScreenVertex> corners;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const Vec3 eye = view.point(positions[i]);
        const Vec3 n = normalize(view.direction(normals[i]));
        const Vec3 toLight = normalize({lightPosition[0] - eye[0], lightPosition[1] - eye[1], lightPosition[2] - eye[2]});
        const Vec3 toEye = normalize({-eye[0], -eye[1], -eye[2]});
        const Vec3 half = normalize({toLight[0] + toEye[0], toLight[1] + toEye[1], toLight[2] + toEye[2]});
        const float diffuse = std::max(0.0f, dot(n, toLight));
        const float specular = diffuse > 0 ? std::pow(std::max(0.0f, dot(n, half)), 24.0f) : 0.0f;
        const float lit = 0.05f + 0.35f * 1.5f + 0.85f * diffuse;
        const float w = -eye[2];
        const float ndcX = eye[0] * f / aspect / w, ndcY = eye[1] * f / w;
        extent.minX = std::min(extent.minX, ndcX);
        extent.maxX = std::max(extent.maxX, ndcX);
        extent.minY = std::min(extent.minY, ndcY);
        extent.maxY = std::max(extent.maxY, ndcY);
        const auto& tri = model.triangles[i / 3][i % 3];
        corners.push_back({(ndcX * 0.5f + 0.5f) * width, (0.5f - ndcY * 0.5f) * height, w, 1.0f / w, tri.s, tri.t,
                           {lit, 0.25f * specular, 0}});
    }
    for (std::size_t i = 0; i + 2 < corners.size(); i += 3)
        triangle(corners[i], corners[i + 1], corners[i + 2]);
    return extent;
}

void Rasterizer::triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c)
{
    const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (std::fabs(area) < 1e-6f)
        return;
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
    const int x1 = std::min(width - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
    const int y1 = std::min(height - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float wa = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
            const float wb = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
            const float wc = 1.0f - wa - wb;
            if (wa < 0 || wb < 0 || wc < 0)
                continue;
            const float invW = wa * a.invW + wb * b.invW + wc * c.invW;
            const float z = 1.0f / invW;
            float& stored = depth[y * width + x];
            if (z >= stored)
                continue;
            stored = z;
            auto persp = [&](float va, float vb, float vc) { return (wa * va * a.invW + wb * vb * b.invW + wc * vc * c.invW) * z; };
            const Vec3 tex = texel(persp(a.s, b.s, c.s), persp(a.t, b.t, c.t));
            const float lit = std::min(1.0f, persp(a.light[0], b.light[0], c.light[0]));
            const float spec = persp(a.light[1], b.light[1], c.light[1]);
            colour[y * width + x] = {std::min(1.0f, tex[0] * lit + spec), std::min(1.0f, tex[1] * lit + spec),
                                     std::min(1.0f, tex[2] * lit + spec)};
        }
}

void Rasterizer::blitInto(std::vector<unsigned char>& target, int targetWidth, int x0, int y0, int cropX, int cropY,
                          int cropWidth, int cropHeight) const
{
    for (int y = 0; y < cropHeight; ++y)
        for (int x = 0; x < cropWidth; ++x)
            for (int ch = 0; ch < 3; ++ch)
                target[((y0 + y) * targetWidth + x0 + x) * 3 + ch] = static_cast<unsigned char>(
                    std::lround(colour[(cropY + y) * width + cropX + x][ch] * 255.0f));
}

} // namespace preview
