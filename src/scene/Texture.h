#pragma once

#include "core/Object.h"
#include "scene/DecodedImage.h"

#include <cstdint>
#include <string>

// One texture record of the mesh manager's cache: the file it was loaded from
// and the OpenGL name nodes bind (0 when no texture could be made).
class Texture : public Object {
public:
    // Texture names come from this process-wide counter, not glGenTextures:
    // each new texture takes the next value, so the first one is named 1.
    static inline std::uint32_t textureCounter = 0;

    explicit Texture(const char* path);

    // Picks the reader by ".bmp"/".BMP" or ".tga"/".TGA" anywhere in the path.
    // Negative only when a BMP file cannot be opened.
    std::int32_t loadTexture(const char* path);
    // The new texture name; 0 when the file is refused; -1 when it cannot be opened.
    std::int32_t loadBmp(const char* path);
    // 1 when a texture was made, 0 otherwise (after an error report).
    std::int32_t loadTga(const char* path);

    std::uint32_t glName = 0;
    std::string path;

private:
    static std::uint32_t takeName();
    void upload(const DecodedImage& image, std::uint32_t name);
};
