#include "generators/ArrowShape.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace forge {
namespace {

float segmentDistance(ArrowShape::Point p, ArrowShape::Point a, ArrowShape::Point b)
{
    const float dx = b[0] - a[0], dy = b[1] - a[1];
    const float t = std::clamp(((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
    return std::hypot(p[0] - (a[0] + t * dx), p[1] - (a[1] + t * dy));
}

bool inside(const std::vector<ArrowShape::Point>& polygon, ArrowShape::Point p)
{
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const auto& a = polygon[i];
        const auto& b = polygon[j];
        if ((a[1] > p[1]) != (b[1] > p[1])
            && p[0] < (b[0] - a[0]) * (p[1] - a[1]) / (b[1] - a[1]) + a[0])
            in = !in;
    }
    return in;
}

// Unit normal pointing to the inside of a counter-clockwise edge a -> b.
ArrowShape::Point inwardNormal(ArrowShape::Point a, ArrowShape::Point b)
{
    const float dx = b[0] - a[0], dy = b[1] - a[1];
    const float length = std::hypot(dx, dy);
    return {-dy / length, dx / length};
}

} // namespace

const std::vector<ArrowShape::Point>& ArrowShape::outline()
{
    static const std::vector<Point> points = {
        {-0.45f, 0.0f}, {0.0f, -0.42f}, {0.0f, -0.18f}, {0.45f, -0.18f},
        {0.45f, 0.18f}, {0.0f, 0.18f},  {0.0f, 0.42f},
    };
    return points;
}

std::vector<ArrowShape::Point> ArrowShape::inset(float distance)
{
    const auto& points = outline();
    const std::size_t count = points.size();
    std::vector<Point> moved;
    for (std::size_t i = 0; i < count; ++i) {
        const Point& previous = points[(i + count - 1) % count];
        const Point& current = points[i];
        const Point& next = points[(i + 1) % count];
        const Point n1 = inwardNormal(previous, current);
        const Point n2 = inwardNormal(current, next);
        const float miter = distance / (1.0f + n1[0] * n2[0] + n1[1] * n2[1]);
        moved.push_back({current[0] + (n1[0] + n2[0]) * miter, current[1] + (n1[1] + n2[1]) * miter});
    }
    return moved;
}

float ArrowShape::signedDistance(Point p)
{
    const auto& points = outline();
    float nearest = std::numeric_limits<float>::max();
    for (std::size_t i = 0; i < points.size(); ++i)
        nearest = std::min(nearest, segmentDistance(p, points[i], points[(i + 1) % points.size()]));
    return inside(points, p) ? -nearest : nearest;
}

ArrowShape::Point ArrowShape::toTexture(Point p)
{
    return {(p[0] + halfExtent) / (2 * halfExtent), (p[1] + halfExtent) / (2 * halfExtent)};
}

ArrowShape::Point ArrowShape::fromTexture(Point uv)
{
    return {uv[0] * 2 * halfExtent - halfExtent, uv[1] * 2 * halfExtent - halfExtent};
}

} // namespace forge
