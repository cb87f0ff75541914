#include "TextPixels.h"

#include "core/ObjectRegistry.h"
#include "fx/Text.h"
#include "fx/TextManager.h"
#include "platform/FontBuilder.h"
#include "platform/SimulatedClock.h"
#include "scene/ObjectGraph.h"
#include "support/HiddenGlWindow.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr int size = testsupport::HiddenGlWindow::size;

class TextFontTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.ok()) << "needs an X server (xvfb-run -a)"; }
    void TearDown() override { ObjectRegistry::destroy(); }

    testsupport::HiddenGlWindow gl;
};

// A bitmap text's glyphs are made at its first draw.
GLuint drawnGlyphTexture(Text& text)
{
    glPushMatrix();
    text.draw();
    glPopMatrix();
    return text.getGlyphTexture();
}

TEST_F(TextFontTest, FontsLinkUnderTextAndTheirGlyphsAreFreed)
{
    auto* graph = new ObjectGraph();
    auto* text = new Text(0, ObjectNode::SideCentre);
    EXPECT_TRUE(text->createBitmapFont(-20, 400, "Arial Black", 0, 0, 0, 0));
    EXPECT_EQ(graph->findNode("Text"), text);
    EXPECT_EQ(text->getGlyphTexture(), 0u);
    const GLuint first = drawnGlyphTexture(*text);
    ASSERT_TRUE(glIsTexture(first));

    text->changeBitmapFont(16, 700, "Courier New", 0, 0, 0, 0);
    EXPECT_FALSE(glIsTexture(first));
    const GLuint second = drawnGlyphTexture(*text);
    EXPECT_TRUE(glIsTexture(second));
    EXPECT_EQ(graph->findNode("")->getChildren().size(), 1u);

    // An outline font owns all 256 codes.
    auto* outline = new Text(0, ObjectNode::SideBoth);
    outline->createOutlineFont(-20, 0.3f, 700, "Arial", 0, 0, 0, 0);
    const GLuint outlineBase = outline->getListBase();
    EXPECT_TRUE(glIsList(outlineBase + 254));
    // Each glyph's list moves the pen on by its advance.
    const auto penAfter = [&](const char* characters) {
        outline->setText("%s", characters);
        glPushMatrix();
        outline->draw();
        GLfloat matrix[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
        glPopMatrix();
        return matrix[12];
    };
    const float advances = outline->getGlyphMetrics('A').cellIncX + outline->getGlyphMetrics('B').cellIncX;
    EXPECT_NEAR(penAfter("AB") - penAfter(""), advances, 1e-4f);

    ObjectRegistry::destroy();
    EXPECT_FALSE(glIsTexture(second));
    EXPECT_FALSE(glIsList(outlineBase));
    EXPECT_FALSE(glIsList(outlineBase + 254));
}

TEST_F(TextFontTest, WithoutAGraphTheTextStaysTheCallers)
{
    Text text(0, ObjectNode::SideCentre);
    EXPECT_FALSE(text.createBitmapFont(-20, 400, "Arial", 0, 0, 0, 0));
    EXPECT_NE(drawnGlyphTexture(text), 0u);
    EXPECT_FALSE(TextManager::instance()->createText(ObjectNode::SideCentre, "lost"));
}

// The characters as glBitmap draws them from the same glyphs, at the same raster position.
std::vector<GLubyte> drawnByGlBitmap(const platform::BitmapSheet& sheet, const std::string& characters, float x,
                                     float y, std::array<float, 3> colour)
{
    return textpixels::drawnByGlBitmap(size, size, x, y, colour, [&] {
        for (const char character : characters) {
            const platform::BitmapGlyph& glyph = sheet.glyphs[static_cast<unsigned char>(character) - 32];
            textpixels::bitmapGlyph(glyph.width, glyph.height, glyph.left, glyph.bottom, glyph.advance,
                [&](int row, int column) {
                    return sheet.pixels[static_cast<std::size_t>(glyph.sheetY + row) * sheet.width + glyph.sheetX
                                        + column] != 0;
                });
        }
    });
}

// A text made by the manager sets exactly the pixels glBitmap would, at
// fractional raster positions, with depth testing on and in wireframe mode
// too, in its colour, leaving out codes without a glyph.
TEST_F(TextFontTest, BitmapTextSetsThePixelsOfGlBitmap)
{
    new ObjectGraph();
    TextManager* manager = TextManager::instance();
    manager->setFont(22, 700, 0, 0, 0, 0);
    manager->setFace("Arial");
    ASSERT_TRUE(manager->createText(ObjectNode::SideCentre, "%s", "Wer die Pfeile trifft, gewinnt Punkte!"));
    auto* text = static_cast<Text*>(ObjectGraph::find()->findNode("Text"));
    ASSERT_NE(text, nullptr);
    const platform::BitmapSheet sheet = platform::FontBuilder({"Arial", 22, 0, 700}).buildBitmapSheet(32, 96);
    textpixels::project(size, size);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    const auto drawn = [&](GLenum mode) {
        glPolygonMode(GL_FRONT_AND_BACK, mode);
        const auto pixels = textpixels::picture(size, size, [&] { text->draw(); });
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        return pixels;
    };
    for (const float x : {-3.5f, -3.4321f, -2.987f}) {
        for (const GLenum mode : {GL_FILL, GL_LINE}) {
            text->setPosition(x, 0.123f);
            const std::vector<GLubyte> expected = drawnByGlBitmap(sheet, text->getText(), x, 0.123f, {1, 1, 0});
            EXPECT_TRUE(drawn(mode) == expected) << "x " << x << (mode == GL_LINE ? " wireframe" : "");
        }
    }
    text->setText("H\x01I\xE9\x7F");
    text->setColor(0, 0, 1);
    EXPECT_TRUE(drawn(GL_FILL) == drawnByGlBitmap(sheet, "HI\x7F", -2.987f, 0.123f, {0, 0, 1}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A timed text hides at its duration, also across the tick counter's wrap,
// and a restart shows it again; a permanent one never hides.
TEST(TextTimingTest, TimedTextHidesAtItsDurationAndRestartShowsItAgain)
{
    for (const std::uint32_t begin : {5000u, 0xFFFFFF00u}) {
        SCOPED_TRACE(begin);
        platform::SimulatedClock clock(begin);
        Text text(1500, ObjectNode::SideBoth);
        Text permanent(0, ObjectNode::SideCentre);
        for (int round = 0; round < 2; ++round) {
            clock.advance(1499);
            text.update();
            EXPECT_TRUE(text.isActive());
            clock.advance(1);
            text.update();
            EXPECT_FALSE(text.isActive());
            clock.advance(10000);
            text.restart();
            EXPECT_TRUE(text.isActive());
        }
        clock.advance(100000000);
        permanent.update();
        EXPECT_TRUE(permanent.isActive());
    }
}

TEST(TextTimingTest, SetTextFormatsAndCutsOverlongResults)
{
    Text text(0, ObjectNode::SideCentre);
    text.setText("Frames per Second: %d", 60);
    EXPECT_EQ(text.getText(), "Frames per Second: 60");
    const std::string longLine(5000, 'x');
    text.setText("%s", longLine.c_str());
    EXPECT_EQ(text.getText().size(), Text::formatBufferSize - 1);
}

TEST(TextManagerStyleTest, StylesAreSnapshotsSelectedByExactName)
{
    ObjectRegistry::destroy();
    TextManager* manager = TextManager::instance();
    ASSERT_EQ(manager->getStyles().size(), 1u);

    manager->setFace("Courier New");
    manager->setOutlineFont(-30, 0.5f, 400, 0, 1, 0, 0);
    manager->setDuration(800);
    manager->addStyle("Judge");
    manager->setFace("Arial");

    EXPECT_FALSE(manager->selectStyle("judge"));
    EXPECT_EQ(manager->getCurrentStyle().face, "Arial");
    EXPECT_TRUE(manager->selectStyle("Default"));
    EXPECT_EQ(manager->getCurrentStyle().face, "Arial Black");
    EXPECT_TRUE(manager->selectStyle("Judge"));
    const TextStyle& judge = manager->getCurrentStyle();
    EXPECT_EQ(std::tuple(judge.face, judge.extrusion, judge.italic, judge.duration), std::tuple("Courier New", 0.5f, 1, 800u));

    // A teardown ends the manager; the next request makes a fresh one.
    ObjectRegistry::destroy();
    EXPECT_EQ(TextManager::instance()->getStyles().size(), 1u);
    ObjectRegistry::destroy();
}

} // namespace
