#include "fx/Text.h"

#include "core/OutputHandler.h"
#include "platform/SystemClock.h"
#include "scene/ObjectGraph.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <tuple>

namespace {

constexpr unsigned bitmapFirstCode = 32;
constexpr unsigned bitmapCodeCount = 96;
constexpr unsigned outlineListCount = 256;
constexpr unsigned outlineCodeCount = 255;

// The mesh manager's textures take names from a counter starting at 1
// without glGenTextures, which would hand out the same names; glyph textures
// count down from the top of the name range instead.
GLuint takeGlyphTextureName()
{
    static GLuint next = 0xFFFFFFFFu;
    return next--;
}

// Every text is first built in the same default font and several share their
// second one, so each font's glyphs are rendered once per process.
const platform::BitmapSheet& bitmapSheet(const platform::FontRequest& request)
{
    using Key = std::tuple<std::string, int, int, int, bool, bool, bool>;
    static std::map<Key, platform::BitmapSheet> sheets;
    const Key key{request.face, request.height, request.width, request.weight, request.italic, request.underline,
                  request.strikeOut};
    auto found = sheets.find(key);
    if (found == sheets.end())
        found = sheets.emplace(key, platform::FontBuilder(request).buildBitmapSheet(bitmapFirstCode, bitmapCodeCount))
                    .first;
    return found->second;
}

} // namespace

Text::Text(std::uint32_t duration, std::int8_t side)
    : ObjectNode("Text", side)
    , startTick(platform::SystemClock::tickCount())
    , endTick(startTick + duration)
    , duration(duration)
    , permanent(duration == 0)
{
}

Text::~Text()
{
    releaseLists();
    releaseGlyphs();
}

bool Text::createBitmapFont(int height, int weight, const char* face, int width, std::uint8_t italic,
                            std::uint8_t underline, std::uint8_t strikeOut)
{
    fontMode = BitmapFont;
    const bool linked = linkIntoGraph();
    storeFont(height, weight, face, width, italic, underline, strikeOut);
    buildBitmapFont();
    return linked;
}

bool Text::createOutlineFont(int height, float extrusion, int weight, const char* face, int width,
                             std::uint8_t italic, std::uint8_t underline, std::uint8_t strikeOut)
{
    fontMode = OutlineFont;
    const bool linked = linkIntoGraph();
    storeFont(height, weight, face, width, italic, underline, strikeOut);
    this->extrusion = extrusion;
    buildOutlineFont();
    return linked;
}

bool Text::changeBitmapFont(int height, int weight, const char* face, int width, std::uint8_t italic,
                            std::uint8_t underline, std::uint8_t strikeOut)
{
    storeFont(height, weight, face, width, italic, underline, strikeOut);
    buildBitmapFont();
    return true;
}

bool Text::linkIntoGraph()
{
    ObjectGraph* graph = ObjectGraph::find();
    if (graph && graph->addNode(this, "Text"))
        return true;
    OutputHandler::report(OutputHandler::find(), Warning, "Text: no scene graph to link into");
    return false;
}

void Text::storeFont(int height, int weight, const char* face, int width, std::uint8_t italic,
                     std::uint8_t underline, std::uint8_t strikeOut)
{
    fontHeight = height;
    fontWeight = weight;
    fontFace = face ? face : "";
    fontWidth = width;
    this->italic = italic;
    this->underline = underline;
    this->strikeOut = strikeOut;
}

platform::FontRequest Text::fontRequest() const
{
    return {fontFace, fontHeight, fontWidth, fontWeight, italic != 0, underline != 0, strikeOut != 0};
}

bool Text::allocateLists(unsigned count)
{
    releaseLists();
    listBase = glGenLists(static_cast<GLsizei>(count));
    if (listBase == 0) {
        OutputHandler::report(OutputHandler::find(), Warning, "Text: no display lists for font \"%s\"",
                              fontFace.c_str());
        return false;
    }
    listCount = count;
    return true;
}

void Text::releaseLists()
{
    if (listBase != 0)
        glDeleteLists(listBase, static_cast<GLsizei>(listCount));
    listBase = 0;
    listCount = 0;
}

void Text::releaseGlyphs()
{
    if (glyphTexture != 0)
        glDeleteTextures(1, &glyphTexture);
    glyphTexture = 0;
    glyphs.clear();
}

// Only the font's values are kept here; the glyphs are made when the text is
// first drawn. Every text is built in a default font and then in its own,
// and most texts are not drawn before play begins, so start-up renders only
// the fonts of the first frame.
void Text::buildBitmapFont()
{
    releaseGlyphs();
    glyphsPending = true;
}

void Text::makeGlyphs()
{
    glyphsPending = false;
    const platform::BitmapSheet& sheet = bitmapSheet(fontRequest());
    if (sheet.glyphs.empty()) {
        OutputHandler::report(OutputHandler::find(), Warning, "Text: font \"%s\" could not be loaded",
                              fontFace.c_str());
        return;
    }
    glyphTexture = takeGlyphTextureName();
    glBindTexture(GL_TEXTURE_2D, glyphTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, sheet.width, sheet.height, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                 sheet.pixels.data());
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, 0);
    sheetWidth = sheet.width;
    sheetHeight = sheet.height;
    glyphs = sheet.glyphs;
}

void Text::buildOutlineFont()
{
    glyphMetrics.fill({});
    if (!allocateLists(outlineListCount))
        return;
    const platform::FontBuilder font(fontRequest());
    if (!font.buildOutlineLists(0, outlineCodeCount, listBase, extrusion, glyphMetrics.data()))
        OutputHandler::report(OutputHandler::find(), Warning, "Text: font \"%s\" could not be loaded",
                              fontFace.c_str());
}

void Text::setPosition(float newX, float newY)
{
    x = newX;
    y = newY;
}

void Text::setColor(float newRed, float newGreen, float newBlue)
{
    red = newRed;
    green = newGreen;
    blue = newBlue;
}

void Text::setText(const char* format, ...)
{
    char buffer[formatBufferSize];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    va_end(args);
    text = buffer;
}

void Text::restart()
{
    startTick = platform::SystemClock::tickCount();
    setActive(true);
    endTick = startTick + duration;
}

bool Text::update()
{
    // Elapsed time, so that a tick counter wrapping past zero does not end the text early.
    if (!permanent && platform::SystemClock::tickCount() - startTick >= duration)
        setActive(false);
    return ObjectNode::update();
}

bool Text::draw()
{
    if (fontMode == BitmapFont)
        drawBitmap();
    else if (fontMode == OutlineFont)
        drawOutline();
    return true;
}

// Calls the lists of the characters, the first of them standing for
// firstCode. Characters outside the font's own lists are left out rather
// than reaching into the lists of another font. The text never outgrows the
// format buffer, so the characters are gathered on the stack: drawing a text
// every frame allocates nothing.
void Text::callLists(unsigned firstCode) const
{
    if (listBase == 0)
        return;
    std::array<char, formatBufferSize> drawable;
    std::size_t count = 0;
    for (const char character : text) {
        const unsigned code = static_cast<unsigned char>(character);
        if (code >= firstCode && code - firstCode < listCount && count < drawable.size())
            drawable[count++] = character;
    }
    glPushAttrib(GL_LIST_BIT);
    glListBase(listBase - firstCode);
    glCallLists(static_cast<GLsizei>(count), GL_UNSIGNED_BYTE, drawable.data());
    glPopAttrib();
}

// The pixels glBitmap would set from the raster position (each glyph's
// lower-left corner at the floor of the pen plus its offset, the pen moving
// on by the advance), in the raster colour at the raster depth, drawn as
// alpha-tested quads in window coordinates. Characters without a glyph are
// left out; nothing is drawn while the raster position is invalid.
void Text::drawGlyphs()
{
    if (glyphsPending)
        makeGlyphs();
    GLboolean valid = GL_FALSE;
    glGetBooleanv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    if (glyphTexture == 0 || !valid)
        return;
    GLfloat raster[4];
    GLfloat colour[4];
    GLint viewport[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    glGetFloatv(GL_CURRENT_RASTER_COLOR, colour);
    glGetIntegerv(GL_VIEWPORT, viewport);

    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_POLYGON_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT |
                 GL_TRANSFORM_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Window x and y; the vertex z lands on the window depth unchanged.
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], 0.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, glyphTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glColor4fv(colour);

    const float u = 1.0f / static_cast<float>(sheetWidth);
    const float v = 1.0f / static_cast<float>(sheetHeight);
    const float z = raster[2];
    float pen = raster[0];
    glBegin(GL_QUADS);
    for (const char character : text) {
        const unsigned code = static_cast<unsigned char>(character);
        if (code < bitmapFirstCode || code - bitmapFirstCode >= glyphs.size())
            continue;
        const platform::BitmapGlyph& glyph = glyphs[code - bitmapFirstCode];
        if (glyph.width > 0 && glyph.height > 0) {
            const float left = std::floor(pen + static_cast<float>(glyph.left));
            const float bottom = std::floor(raster[1] + static_cast<float>(glyph.bottom));
            const float right = left + static_cast<float>(glyph.width);
            const float top = bottom + static_cast<float>(glyph.height);
            const float s0 = static_cast<float>(glyph.sheetX) * u;
            const float t0 = static_cast<float>(glyph.sheetY) * v;
            const float s1 = static_cast<float>(glyph.sheetX + glyph.width) * u;
            const float t1 = static_cast<float>(glyph.sheetY + glyph.height) * v;
            glTexCoord2f(s0, t0);
            glVertex3f(left, bottom, z);
            glTexCoord2f(s1, t0);
            glVertex3f(right, bottom, z);
            glTexCoord2f(s1, t1);
            glVertex3f(right, top, z);
            glTexCoord2f(s0, t1);
            glVertex3f(left, top, z);
        }
        pen += static_cast<float>(glyph.advance);
    }
    glEnd();

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

void Text::drawBitmap()
{
    applySideTransform();
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor3f(red, green, blue);
    glRasterPos2f(x, y);
    drawGlyphs();
    glEnable(GL_LIGHTING);
    ObjectNode::draw();
}

void Text::drawOutline()
{
    applySideTransform();
    glDisable(GL_LIGHTING);
    glTranslatef(x, y, -1.0f);
    callLists(0);
    glEnable(GL_LIGHTING);
    ObjectNode::draw();
}
