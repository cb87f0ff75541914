#include "fx/Text.h"

#include "core/OutputHandler.h"
#include "core/Utf8.h"
#include "fx/GlyphAtlas.h"
#include "fx/GlyphTextures.h"
#include "platform/SystemClock.h"
#include "scene/ObjectGraph.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <memory>

namespace {

constexpr unsigned bitmapFirstCode = 32;
constexpr unsigned bitmapCodeCount = 96;
constexpr unsigned outlineListCount = 256;
constexpr unsigned outlineCodeCount = 255;

// The ellipsis that ends a cut text.
constexpr const char* ellipsis = "\u2026";
// Eye units per unit of a text's position: the centre's texts lie 9 units
// before the eye; the players' halves 14 units at the frame's base matrix's
// half scale, 7 eye units away with half-sized units (ObjectNode::applySideTransform).
constexpr float centreDistance = 9.0f;
constexpr float halvesDistance = 14.0f;

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
    atlas.reset();
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
    const platform::BitmapSheet& sheet = GlyphTextures::sheet(fontRequest(), bitmapFirstCode, bitmapCodeCount);
    if (sheet.glyphs.empty()) {
        OutputHandler::report(OutputHandler::find(), Warning, "Text: font \"%s\" could not be loaded",
                              fontFace.c_str());
        return;
    }
    glyphTexture = GlyphTextures::takeName();
    glBindTexture(GL_TEXTURE_2D, glyphTexture);
    GlyphTextures::setNearest();
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    GlyphTextures::setTightUnpacking();
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

void Text::setUtf8(bool on)
{
    utf8 = on;
}

// The font's own glyph for codes 32 to 127, else the atlas's (UTF-8 only);
// null for a character without one.
const platform::BitmapGlyph* Text::ownGlyph(char32_t code) const
{
    if (code < bitmapFirstCode || code - bitmapFirstCode >= glyphs.size())
        return nullptr;
    return &glyphs[code - bitmapFirstCode];
}

const GlyphAtlas::Entry* Text::atlasGlyph(char32_t code)
{
    if (!atlas) {
        const platform::FontBuilder& font = GlyphTextures::font(fontRequest());
        if (!font.isLoaded())
            return nullptr;
        atlas = std::make_unique<GlyphAtlas>(font);
    }
    return atlas->glyph(code);
}

// Walks the characters (bytes, or code points of UTF-8) with the glyph each
// is drawn with and the offset just past it; the atlas's glyphs of one walk
// all keep their cells.
template <typename Visit>
void Text::walk(std::string_view characters, Visit visit)
{
    if (glyphsPending)
        makeGlyphs();
    if (!utf8) {
        for (std::size_t at = 0; at < characters.size(); ++at)
            if (const platform::BitmapGlyph* glyph = ownGlyph(static_cast<unsigned char>(characters[at])))
                visit(*glyph, nullptr, at + 1);
        return;
    }
    if (atlas)
        atlas->beginUse();
    for (std::size_t at = 0; at < characters.size();) {
        const char32_t code = Utf8::next(characters, at);
        if (code < 0x80) {
            if (const platform::BitmapGlyph* glyph = ownGlyph(code))
                visit(*glyph, nullptr, at);
        } else if (const GlyphAtlas::Entry* entry = atlasGlyph(code)) {
            visit(entry->glyph, entry, at);
        }
    }
}

int Text::widthInPixels(std::string_view characters)
{
    int width = 0;
    walk(characters, [&width](const platform::BitmapGlyph& glyph, const GlyphAtlas::Entry*, std::size_t) {
        width += glyph.advance;
    });
    return width;
}

float Text::pixelsPerUnit() const
{
    GLint viewport[4];
    GLfloat projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    const float perEyeUnit = static_cast<float>(viewport[3]) / 2.0f * projection[5];
    return perEyeUnit / (side == SideCentre ? centreDistance : halvesDistance);
}

float Text::widthInUnits(std::string_view characters)
{
    const float scale = pixelsPerUnit();
    return scale > 0.0f ? static_cast<float>(widthInPixels(characters)) / scale : 0.0f;
}

// Whole characters from the front while they and the ellipsis fit.
std::string Text::fitted(std::string_view characters, float maxUnits)
{
    const float scale = pixelsPerUnit();
    const int limit = static_cast<int>(std::floor(maxUnits * scale));
    if (scale <= 0.0f || widthInPixels(characters) <= limit)
        return std::string(characters);
    const int room = limit - widthInPixels(utf8 ? ellipsis : "...");
    if (room < 0)
        return {};
    int width = 0;
    std::size_t cut = 0;
    bool full = false;
    walk(characters, [&](const platform::BitmapGlyph& glyph, const GlyphAtlas::Entry*, std::size_t end) {
        if (full || width + glyph.advance > room) {
            full = true;
            return;
        }
        width += glyph.advance;
        cut = end;
    });
    return std::string(characters.substr(0, cut)) + (utf8 ? ellipsis : "...");
}

namespace {

// One glyph's pixels from the pen at whole pixels, as glBitmap sets them.
void emitQuad(const platform::BitmapGlyph& glyph, float pen, float baseline, float z, float s0, float t0, float s1,
              float t1)
{
    const float left = std::floor(pen + static_cast<float>(glyph.left));
    const float bottom = std::floor(baseline + static_cast<float>(glyph.bottom));
    const float right = left + static_cast<float>(glyph.width);
    const float top = bottom + static_cast<float>(glyph.height);
    glTexCoord2f(s0, t0);
    glVertex3f(left, bottom, z);
    glTexCoord2f(s1, t0);
    glVertex3f(right, bottom, z);
    glTexCoord2f(s1, t1);
    glVertex3f(right, top, z);
    glTexCoord2f(s0, t1);
    glVertex3f(left, top, z);
}

} // namespace

// The pixels glBitmap would set from the raster position (each glyph's
// lower-left corner at the floor of the pen plus its offset, the pen moving
// on by the advance), in the raster colour at the raster depth, drawn as
// alpha-tested quads in window coordinates: the font's own glyphs from its
// texture, then a UTF-8 text's others from the atlas. Characters without a
// glyph are left out; nothing is drawn while the raster position is invalid.
void Text::drawGlyphs()
{
    placed.clear();
    walk(text, [this](const platform::BitmapGlyph& glyph, const GlyphAtlas::Entry* entry, std::size_t) {
        placed.push_back({&glyph, entry});
    });
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
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glColor4fv(colour);
    drawPlaced(false, raster);
    if (atlas)
        drawPlaced(true, raster);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

// The placed glyphs of the font's own texture or of the atlas, the pen
// moving past the others.
void Text::drawPlaced(bool fromAtlas, const float* raster)
{
    glBindTexture(GL_TEXTURE_2D, fromAtlas ? atlas->getTexture() : glyphTexture);
    const float u = 1.0f / static_cast<float>(sheetWidth);
    const float v = 1.0f / static_cast<float>(sheetHeight);
    float pen = raster[0];
    glBegin(GL_QUADS);
    for (const auto& [glyph, entry] : placed) {
        if (glyph->width > 0 && glyph->height > 0 && (entry != nullptr) == fromAtlas) {
            if (entry)
                emitQuad(*glyph, pen, raster[1], raster[2], entry->s0, entry->t0, entry->s1, entry->t1);
            else
                emitQuad(*glyph, pen, raster[1], raster[2], static_cast<float>(glyph->sheetX) * u,
                         static_cast<float>(glyph->sheetY) * v, static_cast<float>(glyph->sheetX + glyph->width) * u,
                         static_cast<float>(glyph->sheetY + glyph->height) * v);
        }
        pen += static_cast<float>(glyph->advance);
    }
    glEnd();
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
