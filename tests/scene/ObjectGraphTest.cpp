#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "scene/ObjectGraph.h"
#include "scene/ObjectNode.h"
#include "support/HiddenGlWindow.h"
#include "support/TestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::string>;
using Translation = std::array<float, 3>;

// What the nodes did: every update, draw (with the side at that moment) and
// deletion, and where each draw was placed.
struct Journal {
    Entries entries;
    std::vector<Translation> places;
};

// Places itself like a real node when drawn; whatever it leaves on the
// matrix afterwards must be discarded.
class RecordingNode : public ObjectNode {
public:
    RecordingNode(Journal& journal, const char* name, std::int8_t side)
        : ObjectNode(name, side)
        , journal(journal)
    {
    }
    ~RecordingNode() override { journal.entries.push_back("delete " + getName()); }

    bool update() override
    {
        journal.entries.push_back("update " + getName());
        return ObjectNode::update();
    }

    bool draw() override
    {
        applySideTransform();
        float matrix[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
        journal.places.push_back({matrix[12], matrix[13], matrix[14]});
        glTranslatef(100.0f, 0.0f, 0.0f);
        journal.entries.push_back("draw " + getName() + " " + std::to_string(side));
        return ObjectNode::draw();
    }

private:
    Journal& journal;
};

class ObjectGraphTest : public ::testing::Test {
protected:
    ~ObjectGraphTest() override { ObjectRegistry::destroy(); }

    RecordingNode* node(const char* name, std::int8_t side = ObjectNode::SideCentre)
    {
        return new RecordingNode(journal, name, side);
    }

    Journal journal;
    ObjectGraph* graph = new ObjectGraph();
};

// Every level the path descends logs the adding line.
TEST_F(ObjectGraphTest, LinksByBackslashPathsAndFindsNodes)
{
    testsupport::ScratchDir scratch;
    OutputHandler::instance()->open();
    EXPECT_EQ(ObjectGraph::find(), graph);
    EXPECT_EQ(graph->findNode("")->getName(), "root");
    RecordingNode* group = node("group");
    RecordingNode* arrow = node("arrow");
    EXPECT_TRUE(graph->addNode(node("goal"), "Goal0"));
    EXPECT_TRUE(graph->addNode(group, "Arrow"));
    EXPECT_TRUE(graph->addNode(arrow, "Arrow\\Arrow"));
    OutputHandler::instance()->close();

    EXPECT_EQ(group->getChildren(), std::vector<ObjectNode*>{arrow});
    EXPECT_EQ(arrow->getPath(), "Arrow\\Arrow");
    EXPECT_EQ(graph->findNode("Arrow\\Arrow"), arrow);
    EXPECT_EQ(graph->findNode("Goal9"), nullptr);
    EXPECT_EQ(graph->findNode("Arrow\\Other"), nullptr);
    const std::string log = testsupport::readFile(scratch.path() / "output.log");
    EXPECT_NE(log.find("...ObjectNode: adding Arrow \n...ObjectNode: adding Arrow\\Arrow \n"
                       "...ObjectNode: adding Arrow\\Arrow \n"),
              std::string::npos)
        << log;
}

// A prefix match descends into the first matching child only, so linking
// below "Goal1x" looks in "Goal1" and finds no parent there.
TEST_F(ObjectGraphTest, RefusesLinksWithoutAParentOrThatWouldDeleteTwiceOrLoop)
{
    RecordingNode* group = node("group");
    RecordingNode* leaf = node("leaf");
    RecordingNode* shortOne = node("short");
    RecordingNode* longOne = node("long");
    graph->addNode(group, "Z");
    graph->addNode(shortOne, "Goal1");
    graph->addNode(longOne, "Goal1x");
    ASSERT_TRUE(graph->addNode(leaf, "Z\\Leaf"));
    EXPECT_EQ(graph->findNode("Goal1x"), nullptr);
    EXPECT_EQ(graph->findNode("Goal1"), shortOne);
    const std::unique_ptr<RecordingNode> orphan(node("orphan"));
    const std::pair<ObjectNode*, const char*> refused[] = {{leaf, "Goal1\\Leaf"}, {group, "Z\\Again"},
        {graph->findNode(""), "Root"}, {nullptr, "Null"}, {orphan.get(), "Missing\\Child"},
        {orphan.get(), "Goal1x\\Child"}};
    for (const auto& [refusedNode, path] : refused)
        EXPECT_FALSE(graph->addNode(refusedNode, path)) << path;
    EXPECT_TRUE(orphan->getPath().empty());
    EXPECT_TRUE(shortOne->getChildren().empty() && longOne->getChildren().empty());
    EXPECT_EQ(graph->findNode("")->getChildren().size(), 3u);
}

// Inactive nodes still update; a shared path keeps insertion order; a node
// linked twice runs twice but is deleted once.
TEST_F(ObjectGraphTest, UpdatesInOrderAndTeardownDeletesEachNodeOnce)
{
    RecordingNode* parent = node("parent");
    RecordingNode* twice = node("twice");
    graph->addNode(parent, "P");
    graph->addNode(node("child"), "P\\C");
    graph->addNode(node("a"), "Text");
    graph->addNode(node("b"), "Text");
    graph->addNode(twice, "T");
    EXPECT_TRUE(graph->addNode(twice, "T"));
    parent->setActive(false);
    EXPECT_EQ(graph->findNode("Text")->getName(), "a");

    graph->update();
    EXPECT_EQ(journal.entries,
              (Entries{"update parent", "update child", "update a", "update b", "update twice", "update twice"}));
    journal.entries.clear();
    ObjectRegistry::destroy();
    EXPECT_EQ(journal.entries, (Entries{"delete parent", "delete child", "delete a", "delete b", "delete twice"}));
}


// Hiding a half hands the node to the other half; hiding both deactivates it
// with the side left on the last half; players other than 1 and 2 are ignored.
TEST(ObjectNodeTest, HideAndShowHandHalvesBackAndForth)
{
    // hide (or show), player, then the side and activity expected
    const std::tuple<bool, int, std::int32_t, bool> steps[] = {{true, 1, 2, true}, {true, 3, 2, true},
        {false, 0, 2, true}, {true, 2, 2, false}, {false, 1, 1, true}, {false, 1, 1, true}, {false, 2, 0, true},
        {true, 2, 1, true}, {true, 1, 1, false}, {false, 2, 2, true}};
    ObjectNode node("n", ObjectNode::SideBoth);
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& [hide, player, side, active] = steps[i];
        hide ? node.hideForPlayer(player) : node.showForPlayer(player);
        EXPECT_EQ(std::pair(node.side, node.isActive()), std::pair(side, active)) << "step " << i;
    }
}

TEST(ObjectNodeTest, IsHiddenForDependsOnSideAndActivity)
{
    const ObjectNode fresh("n", -1);
    EXPECT_EQ(fresh.side, ObjectNode::SideCentre) << "the side is sign-extended";
    EXPECT_TRUE(fresh.isActive());

    // side, active, then hidden for player 1 and for player 2
    const std::tuple<std::int32_t, bool, bool, bool> cases[] = {{ObjectNode::SideBoth, false, false, false},
        {ObjectNode::SidePlayer1, false, true, true}, {ObjectNode::SidePlayer1, true, false, true},
        {ObjectNode::SidePlayer2, true, true, false}, {ObjectNode::SideBoth, true, false, false},
        {ObjectNode::SideCentre, true, true, true}};
    ObjectNode node("n", ObjectNode::SideBoth);
    for (const auto& [side, active, hiddenFor1, hiddenFor2] : cases) {
        node.side = side;
        node.setActive(active);
        EXPECT_EQ(std::pair(node.isHiddenFor(1), node.isHiddenFor(2)), std::pair(hiddenFor1, hiddenFor2))
            << side << " " << active;
    }
}


class SideDrawingTest : public ObjectGraphTest {
protected:
    void SetUp() override { ASSERT_TRUE(gl.ok()) << "needs an X server (xvfb-run -a)"; }

    testsupport::HiddenGlWindow gl;
};

// Each side draws from its own place, whatever the node before left on the
// matrix: a child follows its own side, not its parent's place; a
// both-sides node draws once per half and gets its side back; a node linked
// twice draws twice; an inactive subtree and a hidden half are skipped.
TEST_F(SideDrawingTest, EachSideDrawsFromItsOwnPlaceUnlessHiddenOrInactive)
{
    graph->addNode(node("left", ObjectNode::SidePlayer1), "L");
    RecordingNode* child = node("child", ObjectNode::SideBoth);
    graph->addNode(child, "L\\C");
    graph->addNode(node("right", ObjectNode::SidePlayer2), "R");
    RecordingNode* centre = node("centre");
    graph->addNode(centre, "C");
    graph->addNode(centre, "C");
    RecordingNode* inactive = node("inactive", ObjectNode::SideBoth);
    graph->addNode(inactive, "I");
    graph->addNode(node("under"), "I\\U");
    RecordingNode* shared = node("shared", ObjectNode::SideBoth);
    graph->addNode(shared, "S");
    inactive->setActive(false);
    shared->hideForPlayer(1);
    std::array<GLint, 2> stackDepths{};
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stackDepths[0]);
    // The frame drawing's protocol: base matrix (scale 0.5, back 14) kept on
    // the stack below a light matrix, graph drawn, then popped.
    glScalef(0.5f, 0.5f, 0.5f);
    glTranslatef(0.0f, 0.0f, -14.0f);
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, -10.0f);
    graph->draw();
    glPopMatrix();
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stackDepths[1]);

    EXPECT_EQ(journal.entries, (Entries{"draw left 1", "draw child 1", "draw child 2", "draw right 2",
                                        "draw centre -1", "draw centre -1", "draw shared 2"}));
    const Translation left{-1.25f, 0.0f, -7.0f}, right{1.25f, 0.0f, -7.0f}, middle{0.0f, 0.0f, -9.0f};
    EXPECT_EQ(journal.places, (std::vector{left, left, right, right, middle, middle, right}));
    EXPECT_EQ(child->side, ObjectNode::SideBoth);
    EXPECT_EQ(stackDepths[0], stackDepths[1]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
