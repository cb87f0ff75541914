#include "platform/FontBuilder.h"
#include "support/GlContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace {

using platform::BitmapGlyph;
using platform::BitmapSheet;
using platform::FontBuilder;
using platform::FontRequest;

FontRequest request(const char* face, int height, int weight = 400)
{
    FontRequest font;
    font.face = face;
    font.height = height;
    font.weight = weight;
    return font;
}

TEST(FontBuilderTest, WindowsFaceNamesResolveToInstalledFaces)
{
    EXPECT_NE(FontBuilder(request("Arial", -20)).getFilePath().find("LiberationSans-Regular"), std::string::npos);
    EXPECT_NE(FontBuilder(request("Courier New", 16, 700)).getFilePath().find("LiberationMono-Bold"),
              std::string::npos);

    EXPECT_TRUE(FontBuilder(request("Arial Black", -20, 400)).isBold());

    FontRequest italic = request("Arial", -20);
    italic.italic = true;
    EXPECT_TRUE(FontBuilder(italic).isItalic());
    EXPECT_FALSE(FontBuilder(request("Arial", -20)).isBold());
    // Matches are kept per face, weight and slant: asking again in another
    // weight or slant still finds that cut.
    EXPECT_NE(FontBuilder(request("Courier New", 16, 400)).getFilePath().find("LiberationMono-Regular"),
              std::string::npos);
    EXPECT_EQ(FontBuilder(italic).getFilePath(), FontBuilder(italic).getFilePath());
    EXPECT_NE(FontBuilder(italic).getFilePath(), FontBuilder(request("Arial", -20)).getFilePath());

    // Unknown or empty names still give a usable default face.
    EXPECT_TRUE(FontBuilder(request("No Such Face 12345", -20)).isLoaded());
    EXPECT_TRUE(FontBuilder(request("", -20)).isLoaded());
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

TEST(FontBuilderTest, AdvancesFollowTheFaceAndTheWeight)
{
    const FontBuilder sans(request("Arial", -20));
    EXPECT_GT(sans.getAdvance('W'), sans.getAdvance('i'));
    EXPECT_GT(sans.getAdvance(' '), 0);

    const FontBuilder mono(request("Courier New", -20));
    EXPECT_EQ(mono.getAdvance('W'), mono.getAdvance('i'));

    FontRequest wide = request("Courier New", -20);
    wide.width = 24;
    EXPECT_GT(FontBuilder(wide).getAdvance('W'), mono.getAdvance('W'));
}

class FontListTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.isValid()) << "needs an X server (xvfb-run -a)"; }

    testsupport::GlContext gl;
};

// Pixels brighter than half red in the whole context.
int litPixels()
{
    constexpr int size = testsupport::GlContext::size;
    GLubyte pixels[size * size * 4];
    glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    int lit = 0;
    for (std::size_t i = 0; i < sizeof pixels; i += 4)
        lit += pixels[i] > 128;
    return lit;
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
        EXPECT_GE(glyph.sheetX, 0);
        EXPECT_GE(glyph.sheetY, 0);
        EXPECT_LE(glyph.sheetX + glyph.width, sheet.width);
        EXPECT_LE(glyph.sheetY + glyph.height, sheet.height);
        setInGlyphs += setPixels(sheet, glyph);
    }
    // Nothing is set outside the glyphs' own boxes, so boxes do not overlap.
    EXPECT_EQ(setInGlyphs, static_cast<int>(std::count(sheet.pixels.begin(), sheet.pixels.end(), 255)));
    EXPECT_EQ(sheet.glyphs['W' - 32].advance, font.getAdvance('W'));
    EXPECT_EQ(sheet.glyphs[0].advance, font.getAdvance(' '));

    // Underline and strike-out draw their bars even under a blank.
    EXPECT_EQ(setPixels(sheet, sheet.glyphs[0]), 0);
    FontRequest decorated = request("Arial", -20);
    decorated.underline = true;
    const BitmapSheet underlined = FontBuilder(decorated).buildBitmapSheet(32, 1);
    EXPECT_GT(setPixels(underlined, underlined.glyphs[0]), 0);
    decorated.underline = false;
    decorated.strikeOut = true;
    const BitmapSheet struck = FontBuilder(decorated).buildBitmapSheet(32, 1);
    EXPECT_GT(setPixels(struck, struck.glyphs[0]), 0);
}

// Pixels a list covers when seen from the side, where only depth shows.
int sideViewPixels(GLuint list)
{
    glViewport(0, 0, testsupport::GlContext::size, testsupport::GlContext::size);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glColor3f(1, 1, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 0, 1, 0);
    glCallList(list);
    return litPixels();
}

TEST_F(FontListTest, OutlineGlyphsAreOneEmHighExtrudedAndAdvance)
{
    const FontBuilder font(request("Arial", -20));
    const GLuint base = glGenLists(256);
    std::vector<platform::GlyphMetrics> metrics(255);
    ASSERT_TRUE(font.buildOutlineLists(0, 255, base, 0.2f, metrics.data()));
    const GLuint flat = glGenLists(256);
    font.buildOutlineLists(0, 255, flat, 0.0f, nullptr);

    // Cap height of Arial-like faces is about 0.7 em; 'H' starts near the origin.
    EXPECT_NEAR(metrics['H'].blackBoxY, 0.69f, 0.03f);
    EXPECT_NEAR(metrics['H'].originY, metrics['H'].blackBoxY, 1e-4f);
    EXPECT_GT(metrics['W'].cellIncX, metrics['i'].cellIncX);
    EXPECT_GT(metrics[' '].cellIncX, 0.0f);
    EXPECT_EQ(metrics[' '].blackBoxX, 0.0f);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glCallList(base + 'W');
    GLfloat matrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_NEAR(matrix[12], metrics['W'].cellIncX, 1e-5f);

    // 0.2 em of depth is about six pixels wide from the side; a flat glyph shows nothing.
    EXPECT_GT(sideViewPixels(base + 'O'), sideViewPixels(flat + 'O') + 50);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDeleteLists(base, 256);
    glDeleteLists(flat, 256);
}

} // namespace
