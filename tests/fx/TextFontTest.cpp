#include "core/ObjectRegistry.h"
#include "fx/Text.h"
#include "fx/TextManager.h"
#include "platform/FontBuilder.h"
#include "scene/ObjectGraph.h"
#include "support/GlContext.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int size = testsupport::GlContext::size;

class TextFontTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.isValid()) << "needs an X server (xvfb-run -a)"; }
    void TearDown() override { ObjectRegistry::destroy(); }

    testsupport::GlContext gl;
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
    EXPECT_EQ(text->getFontMode(), Text::BitmapFont);
    EXPECT_EQ(text->getGlyphTexture(), 0u);
    const GLuint first = drawnGlyphTexture(*text);
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(glIsTexture(first));

    text->changeBitmapFont(16, 700, "Courier New", 0, 0, 0, 0);
    EXPECT_FALSE(glIsTexture(first));
    const GLuint second = drawnGlyphTexture(*text);
    EXPECT_TRUE(glIsTexture(second));
    EXPECT_NE(second, first);
    EXPECT_EQ(graph->findNode("")->getChildren().size(), 1u);

    // An outline font owns all 256 codes.
    auto* outline = new Text(0, ObjectNode::SideBoth);
    outline->createOutlineFont(-20, 0.3f, 700, "Arial", 0, 0, 0, 0);
    EXPECT_EQ(outline->getFontMode(), Text::OutlineFont);
    EXPECT_EQ(outline->getListCount(), 256u);
    EXPECT_GT(outline->getGlyphMetrics('A').cellIncX, 0.0f);
    const GLuint outlineBase = outline->getListBase();
    EXPECT_TRUE(glIsList(outlineBase + 254));

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

// Draws a centre text the way the story screen does and counts its pixels.
int yellowPixelsOf(Text& text)
{
    glViewport(0, 0, size, size);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    text.draw();
    glPopMatrix();
    GLubyte pixels[size * size * 4];
    glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    int yellow = 0;
    for (std::size_t i = 0; i < sizeof pixels; i += 4)
        yellow += pixels[i] > 200 && pixels[i + 1] > 200 && pixels[i + 2] < 50;
    return yellow;
}

TEST_F(TextFontTest, BitmapTextDrawsInItsColourAndSkipsCodesWithoutGlyphs)
{
    new ObjectGraph();
    TextManager* manager = TextManager::instance();
    manager->setFont(-20, 700, 0, 0, 0, 0);
    manager->setFace("Arial");
    manager->setPosition(-3.5f, 0.0f);
    ASSERT_TRUE(manager->createText(ObjectNode::SideCentre, "%s", "HI"));
    auto* text = static_cast<Text*>(ObjectGraph::find()->findNode("Text"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->getDuration(), 3000u);

    const int plain = yellowPixelsOf(*text);
    EXPECT_GT(plain, 0);
    text->setText("H\x01I\xE9\x7F");
    const int withStrays = yellowPixelsOf(*text);
    text->setText("HI\x7F");
    EXPECT_EQ(withStrays, yellowPixelsOf(*text));
    text->setText("HI");
    text->setColor(0, 0, 1);
    EXPECT_EQ(yellowPixelsOf(*text), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

std::vector<GLubyte> framebuffer()
{
    std::vector<GLubyte> pixels(size * size * 4);
    glReadPixels(0, 0, size, size, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// The text as glBitmap draws it from the same glyphs, at the same raster position.
std::vector<GLubyte> drawnByGlBitmap(const Text& text, const platform::BitmapSheet& sheet)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -9.0f);
    glDisable(GL_LIGHTING);
    glColor3f(1, 1, 0);
    glRasterPos2f(text.x, text.y);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const char character : text.getText()) {
        const platform::BitmapGlyph& glyph = sheet.glyphs[static_cast<unsigned char>(character) - 32];
        const int stride = (glyph.width + 7) / 8;
        std::vector<GLubyte> bits(static_cast<std::size_t>(stride) * glyph.height + 1, 0);
        for (int row = 0; row < glyph.height; ++row)
            for (int column = 0; column < glyph.width; ++column)
                if (sheet.pixels[static_cast<std::size_t>(glyph.sheetY + row) * sheet.width + glyph.sheetX + column])
                    bits[static_cast<std::size_t>(row) * stride + column / 8] |= 0x80 >> (column % 8);
        glBitmap(glyph.width, glyph.height, static_cast<float>(-glyph.left), static_cast<float>(-glyph.bottom),
                 static_cast<float>(glyph.advance), 0.0f, bits.data());
    }
    glPopMatrix();
    return framebuffer();
}

// The glyph batch sets exactly the pixels glBitmap would, at fractional raster
// positions, with depth testing on and in wireframe mode too.
TEST_F(TextFontTest, BitmapTextSetsThePixelsOfGlBitmap)
{
    new ObjectGraph();
    auto* text = new Text(0, ObjectNode::SideCentre);
    text->createBitmapFont(22, 700, "Arial", 0, 0, 0, 0);
    text->setText("Wer die Pfeile trifft, gewinnt Punkte!");
    const platform::BitmapSheet sheet = platform::FontBuilder({"Arial", 22, 0, 700}).buildBitmapSheet(32, 96);
    glViewport(0, 0, size, size);
    glClearColor(0, 0, 0, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    for (const float x : {-3.5f, -3.4321f, -2.987f}) {
        for (const GLenum mode : {GL_FILL, GL_LINE}) {
            text->setPosition(x, 0.123f);
            const std::vector<GLubyte> expected = drawnByGlBitmap(*text, sheet);
            glPolygonMode(GL_FRONT_AND_BACK, mode);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glPushMatrix();
            text->draw();
            glPopMatrix();
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            EXPECT_TRUE(framebuffer() == expected) << "x " << x << (mode == GL_LINE ? " wireframe" : "");
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
