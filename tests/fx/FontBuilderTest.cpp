#include "platform/FontBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace {

using platform::BitmapGlyph;
using platform::BitmapSheet;
using platform::FontBuilder;
using platform::FontRequest;

FontRequest request(const char* face, int height, int weight = 400, bool italic = false)
{
    return {face, height, 0, weight, italic};
}

TEST(FontBuilderTest, WindowsFaceNamesResolveToInstalledFaces)
{
    // Matches are kept per face, weight and slant: asking again in another weight or slant still finds that cut.
    const std::tuple<FontRequest, const char*, bool, bool> cases[] = {
        {request("Arial", -20), "LiberationSans-Regular", false, false},
        {request("Courier New", 16, 700), "LiberationMono-Bold", true, false},
        {request("Courier New", 16, 400), "LiberationMono-Regular", false, false},
        {request("Arial Black", -20, 400), "", true, false},
        {request("Arial", -20, 400, true), "LiberationSans-Italic", false, true},
        {request("No Such Face 12345", -20), "", false, false}, {request("", -20), "", false, false}};
    for (const auto& [font, file, bold, slanted] : cases) {
        const FontBuilder builder(font);
        SCOPED_TRACE(font.face);
        EXPECT_TRUE(builder.isLoaded());
        EXPECT_NE(builder.getFilePath().find(file), std::string::npos) << builder.getFilePath();
        EXPECT_EQ(builder.isBold(), bold);
        EXPECT_EQ(builder.isItalic(), slanted);
    }
}

TEST(FontBuilderTest, HeightFollowsTheCreateFontRule)
{
    const FontBuilder character(request("Arial", -20));
    EXPECT_EQ(character.getCharacterHeight(), 20);
    EXPECT_GT(character.getCellHeight(), 20);

    const FontBuilder cell(request("Arial", 22));
    EXPECT_NEAR(cell.getCellHeight(), 22, 1);
    EXPECT_LT(cell.getCharacterHeight(), 22);

    EXPECT_EQ(FontBuilder(request("Arial", 0)).getCharacterHeight(), FontBuilder::defaultCharacterHeight);
    EXPECT_EQ(FontBuilder(request("Arial", INT_MIN)).getCharacterHeight(), FontBuilder::maximumPixelSize);
    EXPECT_EQ(FontBuilder(request("Arial", INT_MAX)).getCharacterHeight(), FontBuilder::maximumPixelSize);
}

int setPixels(const BitmapSheet& sheet, const BitmapGlyph& glyph)
{
    int set = 0;
    for (int row = 0; row < glyph.height; ++row)
        for (int column = 0; column < glyph.width; ++column)
            set += sheet.pixels[static_cast<std::size_t>(glyph.sheetY + row) * sheet.width + glyph.sheetX + column] != 0;
    return set;
}

TEST(FontBuilderTest, BitmapSheetHoldsEveryGlyphApartWithItsAdvance)
{
    const FontBuilder font(request("Arial", -20));
    const BitmapSheet sheet = font.buildBitmapSheet(32, 96);
    ASSERT_EQ(sheet.glyphs.size(), 96u);
    ASSERT_EQ(sheet.pixels.size(), static_cast<std::size_t>(sheet.width) * sheet.height);
    int setInGlyphs = 0;
    for (const BitmapGlyph& glyph : sheet.glyphs) {
        EXPECT_TRUE(glyph.sheetX >= 0 && glyph.sheetY >= 0 && glyph.sheetX + glyph.width <= sheet.width
                    && glyph.sheetY + glyph.height <= sheet.height) << "glyph at " << glyph.sheetX << "," << glyph.sheetY;
        setInGlyphs += setPixels(sheet, glyph);
    }
    // Nothing is set outside the glyphs' own boxes, so boxes do not overlap.
    EXPECT_EQ(setInGlyphs, static_cast<int>(std::count(sheet.pixels.begin(), sheet.pixels.end(), 255)));
    EXPECT_EQ(sheet.glyphs['W' - 32].advance, font.getAdvance('W'));
    EXPECT_GT(font.getAdvance('W'), font.getAdvance('i'));
    FontRequest wide = request("Courier New", -20);
    const int narrowAdvance = FontBuilder(wide).getAdvance('W');
    wide.width = 24;
    EXPECT_GT(FontBuilder(wide).getAdvance('W'), narrowAdvance);

    // Underline and strike-out draw their bars even under a blank.
    EXPECT_EQ(setPixels(sheet, sheet.glyphs[0]), 0);
    for (const bool strikeOut : {false, true}) {
        FontRequest decorated = request("Arial", -20);
        (strikeOut ? decorated.strikeOut : decorated.underline) = true;
        const BitmapSheet blank = FontBuilder(decorated).buildBitmapSheet(32, 1);
        EXPECT_GT(setPixels(blank, blank.glyphs[0]), 0) << strikeOut;
    }
}

} // namespace
