#pragma once

#include "platform/ImageDecoder.h"

#include <cstdint>

// An image as a texture of its own, drawn as a rectangle in the current
// modelview. The texture is made on the thread that owns the GL context and
// deleted with the picture.
class Picture {
public:
    // Uploads the pixels (rows bottom first); an empty image makes none.
    explicit Picture(const platform::RgbaPixels& image);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool isReady() const { return name != 0; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // Fills the rectangle, unlit, in the image's own colours.
    void draw(float left, float bottom, float right, float top) const;

private:
    std::uint32_t name = 0;
    int width = 0;
    int height = 0;
};
