#include "writers/RgbaImage.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace forge {
namespace {

std::uint8_t toByte(float value)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

} // namespace

RgbaImage::RgbaImage(int width, int height)
    : w(width), h(height)
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("image size must be positive");
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
}

void RgbaImage::setFloat(int x, int y, float r, float g, float b, float a)
{
    set(x, y, {toByte(r), toByte(g), toByte(b), toByte(a)});
}

std::size_t RgbaImage::index(int x, int y) const
{
    if (x < 0 || y < 0 || x >= w || y >= h)
        throw std::out_of_range("pixel outside the image");
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
}

} // namespace forge
