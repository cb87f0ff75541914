#include "fx/GlyphTextures.h"

#include <GL/gl.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace {

using FontKey = std::tuple<std::string, int, int, int, bool, bool, bool, unsigned, unsigned>;

FontKey keyOf(const platform::FontRequest& request, unsigned first = 0, unsigned count = 0)
{
    return {request.face, request.height, request.width, request.weight, request.italic, request.underline,
            request.strikeOut, first, count};
}

} // namespace

const platform::BitmapSheet& GlyphTextures::sheet(const platform::FontRequest& request, unsigned first,
                                                  unsigned count)
{
    static std::map<FontKey, platform::BitmapSheet> sheets;
    const FontKey key = keyOf(request, first, count);
    auto found = sheets.find(key);
    if (found == sheets.end())
        found = sheets.emplace(key, platform::FontBuilder(request).buildBitmapSheet(first, count)).first;
    return found->second;
}

const platform::FontBuilder& GlyphTextures::font(const platform::FontRequest& request)
{
    static std::map<FontKey, std::unique_ptr<platform::FontBuilder>> fonts;
    std::unique_ptr<platform::FontBuilder>& font = fonts[keyOf(request)];
    if (!font)
        font = std::make_unique<platform::FontBuilder>(request);
    return *font;
}

unsigned GlyphTextures::takeName()
{
    static GLuint next = 0xFFFFFFFFu;
    return next--;
}

void GlyphTextures::setNearest()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void GlyphTextures::setTightUnpacking()
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
}
