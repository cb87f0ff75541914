#pragma once

#include "fx/GlyphAtlas.h"
#include "platform/FontBuilder.h"
#include "scene/ObjectNode.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One line of text in the scene: a bitmap font (flat, at a raster position,
// in its own colour) or an outline font (extruded glyphs one unit high). A
// timed text hides itself `duration` milliseconds after it was last shown.
// A bitmap font is one texture of its glyphs, made at the text's first draw
// and drawn as a batch of quads where glBitmap would set its pixels: on a
// software renderer every glBitmap is a draw of its own, and a screen of text
// cost tens of milliseconds a frame.
// A bitmap text can be UTF-8 (players' song titles): its characters beyond
// ASCII are rendered when first drawn, from fallback fonts where its own
// lacks them, and kept in an atlas texture; its ASCII draws as in any other.
class Text : public ObjectNode {
public:
    static constexpr std::uint8_t BitmapFont = 1;
    static constexpr std::uint8_t OutlineFont = 2;
    static constexpr std::size_t formatBufferSize = 1024;

    Text(std::uint32_t duration, std::int8_t side);
    // Frees the glyph texture or the display lists of its font.
    ~Text() override;

    // Links the text into the scene graph under "Text" and builds its font.
    // False when there was no graph to link into (the text stays the caller's).
    bool createBitmapFont(int height, int weight, const char* face, int width, std::uint8_t italic,
                          std::uint8_t underline, std::uint8_t strikeOut);
    bool createOutlineFont(int height, float extrusion, int weight, const char* face, int width,
                           std::uint8_t italic, std::uint8_t underline, std::uint8_t strikeOut);
    // Rebuilds the bitmap font with new values; the replaced glyphs are freed.
    bool changeBitmapFont(int height, int weight, const char* face, int width, std::uint8_t italic,
                          std::uint8_t underline, std::uint8_t strikeOut);

    void setPosition(float newX, float newY);
    void setColor(float newRed, float newGreen, float newBlue);
    // printf-style; the result is cut to fit the 1024-byte buffer.
    void setText(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Shows the text again for a full duration.
    void restart();
    // Reads the text as UTF-8 rather than as single-byte codes.
    void setUtf8(bool on);
    bool isUtf8() const { return utf8; }

    // Measures and cuts texts as this bitmap text would draw them; like
    // drawing, they need the OpenGL context. Units are the text's position's.
    int widthInPixels(std::string_view characters);
    float widthInUnits(std::string_view characters);
    // How many window pixels one unit spans at the text's depth, for the
    // present viewport and projection.
    float pixelsPerUnit() const;
    // The characters cut to at most `maxUnits` wide, ending in an ellipsis
    // ("..." for a single-byte text) where they were cut, empty where not
    // even that fits; never splits a character. Unchanged when they fit.
    std::string fitted(std::string_view characters, float maxUnits);

    bool update() override;
    bool draw() override;

    const std::string& getText() const { return text; }
    std::uint8_t getFontMode() const { return fontMode; }
    // 0 until the text has been drawn in its bitmap font.
    unsigned getGlyphTexture() const { return glyphTexture; }
    unsigned getListBase() const { return listBase; }
    unsigned getListCount() const { return listCount; }
    std::uint32_t getDuration() const { return duration; }
    const platform::GlyphMetrics& getGlyphMetrics(unsigned char code) const { return glyphMetrics[code]; }
    // Null until a UTF-8 text has drawn or measured a character beyond ASCII.
    const GlyphAtlas* getAtlas() const { return atlas.get(); }

private:
    void storeFont(int height, int weight, const char* face, int width, std::uint8_t italic, std::uint8_t underline,
                   std::uint8_t strikeOut);
    bool linkIntoGraph();
    platform::FontRequest fontRequest() const;
    void buildBitmapFont();
    void buildOutlineFont();
    bool allocateLists(unsigned count);
    void releaseLists();
    void releaseGlyphs();
    void callLists(unsigned firstCode) const;
    void makeGlyphs();
    const platform::BitmapGlyph* ownGlyph(char32_t code) const;
    const GlyphAtlas::Entry* atlasGlyph(char32_t code);
    template <typename Visit>
    void walk(std::string_view characters, Visit visit);
    void drawGlyphs();
    void drawPlaced(bool fromAtlas, const float* raster);
    void drawBitmap();
    void drawOutline();

    std::uint8_t fontMode = 0;
    float red = 1.0f;
    float green = 1.0f;
    float blue = 0.0f;
    std::uint32_t startTick;
    std::uint32_t endTick;
    std::uint32_t duration;
    bool permanent;
    std::string text;
    std::string fontFace = "Arial Black";
    unsigned listBase = 0;
    int fontHeight = -20;
    int fontWidth = 0;
    int fontWeight = 700;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::array<platform::GlyphMetrics, 256> glyphMetrics{};
    float extrusion = 0.2f;
    // How many lists from listBase the current font owns.
    unsigned listCount = 0;
    // A bitmap font: its glyph texture and the glyphs of the codes 32 to 127,
    // made at the first draw after the font was (re)built.
    bool glyphsPending = false;
    unsigned glyphTexture = 0;
    int sheetWidth = 0;
    int sheetHeight = 0;
    std::vector<platform::BitmapGlyph> glyphs;
    bool utf8 = false;
    std::unique_ptr<GlyphAtlas> atlas;
    // The glyphs of this draw, with the atlas's entry for those from it.
    std::vector<std::pair<const platform::BitmapGlyph*, const GlyphAtlas::Entry*>> placed;
};
