#pragma once

#include "platform/FontBuilder.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The glyphs of a bitmap text beyond its font's own codes, rendered when
// first needed and kept in one texture of equal cells. When every cell is
// taken, the cell used longest ago makes room, never one of the current use
// (one text's draw or measure): a draw places all its glyphs before it draws
// any, so no glyph of a frame's text is lost while it is drawn. Needs the
// OpenGL context of the text.
class GlyphAtlas {
public:
    // A glyph and where it lies in the texture (texture coordinates).
    struct Entry {
        platform::BitmapGlyph glyph;
        float s0 = 0.0f;
        float t0 = 0.0f;
        float s1 = 0.0f;
        float t1 = 0.0f;
    };

    // Square cells a little larger than the font's characters, at least
    // minimumCells of them (more than a screen of 22-pixel characters holds),
    // in a texture of at most maximumSide pixels.
    static constexpr std::size_t minimumCells = 2048;
    static constexpr int maximumSide = 2048;

    // Frames share a budget of new glyphs, so that a screen of new
    // characters fills in over a few frames instead of stalling one (each
    // takes FreeType some 10 to 20 microseconds): a character past the budget
    // draws blank, its advance estimated, until a later frame renders it.
    // Before the first frame is started there is no budget.
    static constexpr std::size_t frameGlyphBudget = 128;
    static void startFrame();
    // Back to no budget, as before the first frame.
    static void stopPacing() { paced = false; }

    explicit GlyphAtlas(const platform::FontBuilder& font);
    ~GlyphAtlas();
    GlyphAtlas(const GlyphAtlas&) = delete;
    GlyphAtlas& operator=(const GlyphAtlas&) = delete;

    // Starts a new use: the glyphs it asks for keep their cells until the next.
    void beginUse();
    // The glyph of the code point, rendered and placed when it is not held
    // (a blank one while the frame's budget is spent); null when every cell
    // is taken by the current use. A glyph larger than a cell keeps the part
    // that fits, from its lower left.
    const Entry* glyph(char32_t codePoint);

    unsigned getTexture() const { return texture; }
    std::size_t getCellCount() const { return cells.size(); }
    std::size_t heldCount() const { return held.size(); }
    // Glyphs rendered since the atlas was made, for tests of its reuse.
    std::size_t renderedCount() const { return rendered; }

private:
    struct Cell {
        char32_t codePoint = 0;
        std::uint64_t lastUse = 0;
        Entry entry;
    };

    bool createTexture();
    std::size_t freeCell();
    void place(std::size_t cell, char32_t codePoint);

    const Entry* pendingGlyph(char32_t codePoint);

    inline static bool paced = false;
    inline static std::size_t renderedThisFrame = 0;

    const platform::FontBuilder& font;
    int cellSide = 1;
    int columns = 1;
    int side = 0;
    unsigned texture = 0;
    std::vector<Cell> cells;
    std::unordered_map<char32_t, std::size_t> held;
    // Blank stand-ins for glyphs the budget has not reached yet.
    std::unordered_map<char32_t, Entry> pending;
    std::size_t nextUnused = 0;
    std::uint64_t use = 1;
    std::size_t rendered = 0;
};
