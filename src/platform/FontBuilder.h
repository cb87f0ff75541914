#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A font as the game asks for it, with CreateFontA's meaning of the values.
struct FontRequest {
    std::string face;
    int height = 0;    // < 0: character height in pixels, > 0: cell height, 0: default
    int width = 0;     // average character width in pixels, 0: matching the height
    int weight = 400;  // 700 and above is bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// One glyph of an outline font, in units of the em (GLYPHMETRICSFLOAT).
struct GlyphMetrics {
    float blackBoxX = 0.0f;
    float blackBoxY = 0.0f;
    float originX = 0.0f;
    float originY = 0.0f;
    float cellIncX = 0.0f;
    float cellIncY = 0.0f;
};

// One glyph of a bitmap font in pixels: its box from the pen position and
// the baseline, how far it moves the pen, and where it lies in the sheet.
struct BitmapGlyph {
    int left = 0;
    int bottom = 0;
    int width = 0;
    int height = 0;
    int advance = 0;
    int sheetX = 0;
    int sheetY = 0;
};

// The glyphs of a bitmap font side by side in one image, for a texture: one
// byte per pixel, 255 where the glyph is set and 0 elsewhere, rows bottom to
// top. Glyphs are kept a pixel apart so that none samples its neighbour.
struct BitmapSheet {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
    std::vector<BitmapGlyph> glyphs;  // code first + i at index i
};

// One glyph of a bitmap font by itself: its box and advance (sheetX and
// sheetY unused) and its pixels, width by height bytes as in a sheet.
struct GlyphImage {
    BitmapGlyph glyph;
    std::vector<std::uint8_t> pixels;
};

// Builds bitmap glyph sheets and OpenGL display lists from an installed font, standing in for the
// Windows font calls: the face name is resolved through fontconfig and the
// glyphs come from FreeType. Character codes are Windows-1252. Needs a
// current OpenGL context for the list building.
class FontBuilder {
public:
    static constexpr int defaultCharacterHeight = 16;
    static constexpr int maximumPixelSize = 512;

    explicit FontBuilder(const FontRequest& request);
    ~FontBuilder();
    FontBuilder(const FontBuilder&) = delete;
    FontBuilder& operator=(const FontBuilder&) = delete;

    bool isLoaded() const;
    const std::string& getFilePath() const;
    std::string getFamily() const;
    // Bold or italic, whether from the face itself or synthesised.
    bool isBold() const;
    bool isItalic() const;
    // The em size and the cell (ascent + descent) in pixels.
    int getCharacterHeight() const;
    int getCellHeight() const;
    // How far a bitmap glyph moves the raster position, in pixels.
    int getAdvance(unsigned char code) const;

    // The glyphs of the codes first to first + count - 1 as wglUseFontBitmaps
    // would draw them; an empty sheet when the font is not loaded.
    BitmapSheet buildBitmapSheet(unsigned first, unsigned count) const;
    // The glyph of a Unicode code point, drawn as buildBitmapSheet draws its
    // codes. A character the face lacks comes from the first font of
    // fontconfig's fallback list that has it, at the same character height
    // (emboldened where bold was asked for and that font is not); with none,
    // the face's missing-glyph box. An empty glyph when the font is not loaded.
    GlyphImage renderGlyph(char32_t codePoint) const;
    // Its advance from the font's unhinted metrics, without rendering it:
    // within a pixel or so of the rendered glyph's.
    int estimateAdvance(char32_t codePoint) const;
    // Lists listBase + i draw code first + i as a glyph one em high, extruded
    // along negative z, and move on by its advance (wglUseFontOutlines).
    // metrics, when given, receives count entries.
    bool buildOutlineLists(unsigned first, unsigned count, unsigned listBase, float extrusion,
                           GlyphMetrics* metrics) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace platform
