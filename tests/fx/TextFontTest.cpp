#include "core/ObjectRegistry.h"
#include "fx/Text.h"
#include "fx/TextManager.h"
#include "scene/ObjectGraph.h"
#include "support/GlContext.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

namespace {

constexpr int size = testsupport::GlContext::size;

class TextFontTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.isValid()) << "needs an X server (xvfb-run -a)"; }
    void TearDown() override { ObjectRegistry::destroy(); }

    testsupport::GlContext gl;
};

TEST_F(TextFontTest, FontsLinkUnderTextAndTheirListsAreFreed)
{
    auto* graph = new ObjectGraph();
    auto* text = new Text(0, ObjectNode::SideCentre);
    EXPECT_TRUE(text->createBitmapFont(-20, 400, "Arial Black", 0, 0, 0, 0));
    EXPECT_EQ(graph->findNode("Text"), text);
    EXPECT_EQ(text->getFontMode(), Text::BitmapFont);
    const GLuint first = text->getListBase();
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(glIsList(first + 95));

    text->changeBitmapFont(16, 700, "Courier New", 0, 0, 0, 0);
    EXPECT_FALSE(glIsList(first));
    EXPECT_FALSE(glIsList(first + 95));
    const GLuint second = text->getListBase();
    EXPECT_TRUE(glIsList(second));
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
    EXPECT_FALSE(glIsList(second));
    EXPECT_FALSE(glIsList(outlineBase));
    EXPECT_FALSE(glIsList(outlineBase + 254));
}

TEST_F(TextFontTest, WithoutAGraphTheTextStaysTheCallers)
{
    Text text(0, ObjectNode::SideCentre);
    EXPECT_FALSE(text.createBitmapFont(-20, 400, "Arial", 0, 0, 0, 0));
    EXPECT_NE(text.getListBase(), 0u);
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

} // namespace
