#pragma once

#include <cstdint>
#include <vector>

namespace forge {

// An 8-bit RGBA picture, row 0 at the top. The file writers turn it into the
// bottom-up row order the texture formats store.
class RgbaImage {
public:
    struct Pixel {
        std::uint8_t r = 0, g = 0, b = 0, a = 255;
        bool operator==(const Pixel&) const = default;
    };

    RgbaImage(int width, int height);

    int width() const { return w; }
    int height() const { return h; }
    Pixel at(int x, int y) const { return pixels[index(x, y)]; }
    void set(int x, int y, Pixel pixel) { pixels[index(x, y)] = pixel; }
    // Stores a colour given as floats in [0, 1]; values outside are clamped.
    void setFloat(int x, int y, float r, float g, float b, float a = 1.0f);

private:
    std::size_t index(int x, int y) const;

    int w;
    int h;
    std::vector<Pixel> pixels;
};

} // namespace forge
