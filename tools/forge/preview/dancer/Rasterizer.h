#pragma once

#include "PosedModel.h"

#include <string>
#include <vector>

namespace preview {

// A small z-buffered software renderer that draws a posed dancer the way the
// game's frame does: perspective 45 degrees at 4:3, the dancer's placement,
// one positional white light near the viewer, texture modulated by lighting.
class Rasterizer {
public:
    Rasterizer(int width, int height);

    // Loads the 24-bit uncompressed TGA texture; false if it cannot be read.
    bool loadTexture(const std::string& path);
    void clear();
    // Draws the model at a time in ms; returns its screen extent in normalised device units.
    struct Extent {
        float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    };
    Extent draw(const PosedModel& model, float ms);
    // Copies a width by height crop starting at (cropX, cropY) into a larger image at (x0, y0).
    void blitInto(std::vector<unsigned char>& target, int targetWidth, int x0, int y0, int cropX, int cropY,
                  int cropWidth, int cropHeight) const;

    int width, height;

private:
    struct ScreenVertex {
        float x, y, z, invW, s, t;
        Vec3 light;
    };
    void triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
    Vec3 texel(float s, float t) const;

    std::vector<Vec3> colour;
    std::vector<float> depth;
    int textureWidth = 0, textureHeight = 0;
    std::vector<unsigned char> texture;
};

} // namespace preview
