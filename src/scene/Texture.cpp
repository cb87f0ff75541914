#include "scene/Texture.h"

#include "core/OutputHandler.h"
#include "platform/FileSystem.h"
#include "scene/BmpReader.h"
#include "scene/TgaReader.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <string_view>
#include <vector>

Texture::Texture(const char* path)
    : Object(false, path)
{
}

std::uint32_t Texture::takeName()
{
    return ++textureCounter;
}

std::int32_t Texture::loadTexture(const char* filePath)
{
    OutputHandler::log(OutputHandler::find(), "...Loading Texture '%s'.", filePath);
    const std::string_view text(filePath);
    if (text.find(".bmp") != std::string_view::npos || text.find(".BMP") != std::string_view::npos)
        return loadBmp(filePath);
    if (text.find(".tga") != std::string_view::npos || text.find(".TGA") != std::string_view::npos)
        return loadTga(filePath);
    return 0;
}

std::int32_t Texture::loadBmp(const char* filePath)
{
    path = filePath;
    const std::uint32_t name = takeName();
    std::vector<std::uint8_t> bytes;
    if (!platform::FileSystem::readAll(path, bytes))
        return -1;
    DecodedImage image;
    std::string error;
    if (!BmpReader::decode(bytes, path, image, error)) {
        OutputHandler::report(OutputHandler::find(), Error, "%s", error.c_str());
        return 0;
    }
    upload(image, name);
    return static_cast<std::int32_t>(name);
}

std::int32_t Texture::loadTga(const char* filePath)
{
    path = filePath;
    std::vector<std::uint8_t> bytes;
    if (!platform::FileSystem::readAll(path, bytes)) {
        OutputHandler::report(OutputHandler::find(), Error, "Could not open texture file '%s'.", filePath);
        return 0;
    }
    DecodedImage image;
    std::string error;
    if (!TgaReader::decode(bytes, path, image, error)) {
        OutputHandler::report(OutputHandler::find(), Error, "%s", error.c_str());
        return 0;
    }
    upload(image, takeName());
    return 1;
}

// Rows go up in file order (bottom row first), which matches OpenGL's
// bottom-left texture origin.
void Texture::upload(const DecodedImage& image, std::uint32_t name)
{
    const GLenum format = image.components == 4 ? GL_RGBA : GL_RGB;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // The pixels are tightly packed: rows of three-byte pixels need not be
    // 4-byte aligned, and GL must not read past the end of the buffer.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // gluBuild2DMipmaps specifies every level, the first one included.
    gluBuild2DMipmaps(GL_TEXTURE_2D, image.components, image.width, image.height, format, GL_UNSIGNED_BYTE,
        image.pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glName = name;
}
