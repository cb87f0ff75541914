#include "fx/GlyphAtlas.h"

#include "fx/GlyphTextures.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

GlyphAtlas::GlyphAtlas(const platform::FontBuilder& font)
    : font(font)
{
    cellSide = static_cast<int>(std::ceil(1.3 * std::max(1, font.getCharacterHeight()))) + 2;
    side = 256;
    while (side < maximumSide && static_cast<std::size_t>(side / cellSide) * (side / cellSide) < minimumCells)
        side *= 2;
    cellSide = std::min(cellSide, side);
    columns = side / cellSide;
    cells.resize(static_cast<std::size_t>(columns) * columns);
}

GlyphAtlas::~GlyphAtlas()
{
    if (texture != 0)
        glDeleteTextures(1, &texture);
}

void GlyphAtlas::startFrame()
{
    paced = true;
    renderedThisFrame = 0;
}

void GlyphAtlas::beginUse()
{
    ++use;
}

const GlyphAtlas::Entry* GlyphAtlas::glyph(char32_t codePoint)
{
    if (const auto found = held.find(codePoint); found != held.end()) {
        Cell& cell = cells[found->second];
        cell.lastUse = use;
        return &cell.entry;
    }
    if (paced && renderedThisFrame >= frameGlyphBudget)
        return pendingGlyph(codePoint);
    if (texture == 0 && !createTexture())
        return nullptr;
    const std::size_t cell = freeCell();
    if (cell == cells.size())
        return nullptr;
    place(cell, codePoint);
    return &cells[cell].entry;
}

const GlyphAtlas::Entry* GlyphAtlas::pendingGlyph(char32_t codePoint)
{
    Entry& entry = pending[codePoint];
    if (entry.glyph.advance == 0)
        entry.glyph.advance = font.estimateAdvance(codePoint);
    return &entry;
}

bool GlyphAtlas::createTexture()
{
    texture = GlyphTextures::takeName();
    const std::vector<std::uint8_t> blank(static_cast<std::size_t>(side) * side, 0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, texture);
    GlyphTextures::setNearest();
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    GlyphTextures::setTightUnpacking();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, side, side, 0, GL_ALPHA, GL_UNSIGNED_BYTE, blank.data());
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    return glIsTexture(texture) == GL_TRUE;
}

// An unused cell while there are some, else the one used longest ago
// outside the current use; cells.size() when there is none.
std::size_t GlyphAtlas::freeCell()
{
    if (nextUnused < cells.size())
        return nextUnused++;
    std::size_t oldest = cells.size();
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (cells[i].lastUse != use && (oldest == cells.size() || cells[i].lastUse < cells[oldest].lastUse))
            oldest = i;
    if (oldest != cells.size())
        held.erase(cells[oldest].codePoint);
    return oldest;
}

void GlyphAtlas::place(std::size_t index, char32_t codePoint)
{
    platform::GlyphImage image = font.renderGlyph(codePoint);
    ++rendered;
    ++renderedThisFrame;
    pending.erase(codePoint);
    Cell& cell = cells[index];
    const int x = static_cast<int>(index) % columns * cellSide;
    const int y = static_cast<int>(index) / columns * cellSide;
    platform::BitmapGlyph& glyph = image.glyph;
    const int width = std::min(glyph.width, cellSide - 1);
    const int height = std::min(glyph.height, cellSide - 1);
    if (width > 0 && height > 0) {
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glBindTexture(GL_TEXTURE_2D, texture);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        GlyphTextures::setTightUnpacking();
        glPixelStorei(GL_UNPACK_ROW_LENGTH, glyph.width);
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_ALPHA, GL_UNSIGNED_BYTE, image.pixels.data());
        glPopClientAttrib();
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    }
    glyph.width = std::max(0, width);
    glyph.height = std::max(0, height);
    glyph.sheetX = x;
    glyph.sheetY = y;
    const float texel = 1.0f / static_cast<float>(side);
    cell.entry = {glyph, static_cast<float>(x) * texel, static_cast<float>(y) * texel,
                  static_cast<float>(x + glyph.width) * texel, static_cast<float>(y + glyph.height) * texel};
    cell.codePoint = codePoint;
    cell.lastUse = use;
    held[codePoint] = index;
}
