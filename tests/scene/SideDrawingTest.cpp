#include "RecordingNode.h"

#include "core/ObjectRegistry.h"
#include "scene/ObjectGraph.h"
#include "support/GlContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

namespace {

using Entries = std::vector<std::string>;
using Translation = std::array<float, 3>;

Translation currentTranslation()
{
    float matrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    return {matrix[12], matrix[13], matrix[14]};
}

GLint stackDepth()
{
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    return depth;
}

// Places itself like a real node and notes where the side put it.
class PlacingNode : public RecordingNode {
public:
    PlacingNode(Journal& journal, const char* name, std::int8_t side, std::vector<Translation>& places)
        : RecordingNode(journal, name, side)
        , places(places)
    {
    }
    bool draw() override
    {
        applySideTransform();
        places.push_back(currentTranslation());
        glTranslatef(100.0f, 0.0f, 0.0f); // whatever a node leaves behind is discarded
        return RecordingNode::draw();
    }

private:
    std::vector<Translation>& places;
};

class SideDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.isValid()) << "needs an X server (xvfb-run -a)";
        graph = new ObjectGraph();
    }
    void TearDown() override { ObjectRegistry::destroy(); }

    PlacingNode* node(const char* name, std::int8_t side)
    {
        return new PlacingNode(journal, name, side, places);
    }

    // The frame drawing's protocol: base matrix (scale 0.5, back 14) kept on
    // the stack below a light matrix, graph drawn, then popped.
    void drawFrame()
    {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glScalef(0.5f, 0.5f, 0.5f);
        glTranslatef(0.0f, 0.0f, -14.0f);
        glPushMatrix();
        glTranslatef(0.0f, 0.0f, -10.0f);
        graph->draw();
        glPopMatrix();
    }

    testsupport::GlContext gl;
    ObjectGraph* graph = nullptr;
    Journal journal;
    std::vector<Translation> places;
};

TEST_F(SideDrawingTest, EachSideDrawsFromItsOwnPlace)
{
    graph->addNode(node("left", ObjectNode::SidePlayer1), "L");
    graph->addNode(node("right", ObjectNode::SidePlayer2), "R");
    PlacingNode* centre = node("centre", ObjectNode::SideCentre);
    graph->addNode(centre, "C");
    graph->addNode(centre, "C");
    const GLint depthBefore = stackDepth();
    drawFrame();

    // A node linked twice draws twice.
    EXPECT_EQ(journal.entries, (Entries{"draw left 1", "draw right 2", "draw centre -1", "draw centre -1"}));
    ASSERT_EQ(places.size(), 4u);
    EXPECT_EQ(places[0], (Translation{-1.25f, 0.0f, -7.0f}));
    EXPECT_EQ(places[1], (Translation{1.25f, 0.0f, -7.0f}));
    EXPECT_EQ(places[2], (Translation{0.0f, 0.0f, -9.0f}));
    EXPECT_EQ(stackDepth(), depthBefore);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A both-sides node draws once per half, and a child follows its own side,
// not its parent's place.
TEST_F(SideDrawingTest, BothSidesChildIsDrawnOnceInEachHalf)
{
    graph->addNode(node("parent", ObjectNode::SidePlayer1), "P");
    PlacingNode* child = node("child", ObjectNode::SideBoth);
    graph->addNode(child, "P\\C");
    drawFrame();

    EXPECT_EQ(journal.entries, (Entries{"draw parent 1", "draw child 1", "draw child 2"}));
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[1][0], -1.25f);
    EXPECT_EQ(places[2][0], 1.25f);
    EXPECT_EQ(child->side, ObjectNode::SideBoth);
}

TEST_F(SideDrawingTest, InactiveSubtreeIsSkippedAndHiddenHalfIsNotDrawn)
{
    PlacingNode* parent = node("parent", ObjectNode::SideBoth);
    graph->addNode(parent, "P");
    graph->addNode(node("child", ObjectNode::SideCentre), "P\\C");
    PlacingNode* shared = node("shared", ObjectNode::SideBoth);
    graph->addNode(shared, "S");

    parent->setActive(false);
    shared->hideForPlayer(1);
    drawFrame();
    EXPECT_EQ(journal.entries, (Entries{"draw shared 2"}));
}

} // namespace
