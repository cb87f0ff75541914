#include "fx/Text.h"

#include "core/OutputHandler.h"
#include "platform/SystemClock.h"
#include "scene/ObjectGraph.h"

#include <GL/gl.h>

#include <array>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr unsigned bitmapFirstCode = 32;
constexpr unsigned bitmapCodeCount = 96;
constexpr unsigned outlineListCount = 256;
constexpr unsigned outlineCodeCount = 255;

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

void Text::buildBitmapFont()
{
    if (!allocateLists(bitmapCodeCount))
        return;
    const platform::FontBuilder font(fontRequest());
    if (!font.buildBitmapLists(bitmapFirstCode, bitmapCodeCount, listBase))
        OutputHandler::report(OutputHandler::find(), Warning, "Text: font \"%s\" could not be loaded",
                              fontFace.c_str());
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

void Text::drawBitmap()
{
    applySideTransform();
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor3f(red, green, blue);
    glRasterPos2f(x, y);
    callLists(bitmapFirstCode);
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
