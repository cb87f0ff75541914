#include "app/FrameCapture.h"

#include "core/ConfigFileParser.h"
#include "platform/FileSystem.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

Application::FrameObserver FrameCapture::fromEnvironment()
{
    const char* path = std::getenv("FLAREVOX_CAPTURE_FRAME");
    if (!path || !*path)
        return {};
    const char* after = std::getenv("FLAREVOX_CAPTURE_AFTER");
    const int frame = after ? ConfigFileParser::toInt(after) : defaultFrame;
    return FrameCapture(path, frame < 1 ? 1 : frame);
}

FrameCapture::FrameCapture(std::string path, int frame)
    : path(std::move(path))
    , frame(frame)
{
}

void FrameCapture::operator()(WindowRecord&, MainLoop&)
{
    if (++framesSeen == frame && !writeBackBuffer(path))
        std::fprintf(stderr, "FrameCapture: cannot write '%s'\n", path.c_str());
}

bool FrameCapture::writeBackBuffer(const std::string& path)
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2];
    const int height = viewport[3];
    if (width <= 0 || height <= 0)
        return false;

    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<unsigned char> pixels(rowBytes * static_cast<std::size_t>(height));
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewport[0], viewport[1], width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());

    const std::string temporary = path + ".part";
    std::FILE* file = platform::FileSystem::open(temporary, "wb");
    if (!file)
        return false;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    // OpenGL's rows run bottom to top, PPM's top to bottom.
    bool written = true;
    for (int row = height - 1; row >= 0; --row)
        written = written && std::fwrite(&pixels[static_cast<std::size_t>(row) * rowBytes], 1, rowBytes, file) == rowBytes;
    written = std::fclose(file) == 0 && written;
    std::error_code error;
    if (written)
        std::filesystem::rename(temporary, path, error);
    return written && !error;
}
