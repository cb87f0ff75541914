#include "RecordingNode.h"

#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "scene/ObjectGraph.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Entries = std::vector<std::string>;

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

TEST_F(ObjectGraphTest, LinksByBackslashPathsAndFindsNodes)
{
    EXPECT_EQ(ObjectGraph::find(), graph);
    EXPECT_EQ(graph->findNode("")->getName(), "root");
    RecordingNode* group = node("group");
    RecordingNode* arrow = node("arrow");
    EXPECT_TRUE(graph->addNode(node("goal"), "Goal0"));
    EXPECT_TRUE(graph->addNode(group, "Arrow"));
    EXPECT_TRUE(graph->addNode(arrow, "Arrow\\Arrow"));

    EXPECT_EQ(group->getChildren(), std::vector<ObjectNode*>{arrow});
    EXPECT_EQ(arrow->getPath(), "Arrow\\Arrow");
    EXPECT_EQ(graph->findNode("Arrow"), group);
    EXPECT_EQ(graph->findNode("Arrow\\Arrow"), arrow);
    EXPECT_EQ(graph->findNode("Goal0")->getName(), "goal");
    EXPECT_EQ(graph->findNode("Goal9"), nullptr);
    EXPECT_EQ(graph->findNode("Arrow\\Other"), nullptr);
}

TEST_F(ObjectGraphTest, LogsTheAddingLineAtEveryLevelVisited)
{
    testsupport::ScratchDir scratch;
    OutputHandler::instance()->open();
    graph->addNode(node("group"), "Arrow");
    graph->addNode(node("arrow"), "Arrow\\Arrow");
    const std::string log = testsupport::readFile(scratch.path() / "output.log");
    EXPECT_NE(log.find("...ObjectNode: adding Arrow \n"
                       "...ObjectNode: adding Arrow\\Arrow \n"
                       "...ObjectNode: adding Arrow\\Arrow \n"),
              std::string::npos)
        << log;
    OutputHandler::instance()->close();
}

TEST_F(ObjectGraphTest, PrefixMatchDescendsIntoTheFirstMatchingChildOnly)
{
    RecordingNode* shortOne = node("short");
    RecordingNode* longOne = node("long");
    graph->addNode(shortOne, "Goal1");
    graph->addNode(longOne, "Goal1x");
    EXPECT_EQ(graph->findNode("Goal1x"), nullptr);
    EXPECT_EQ(graph->findNode("Goal1"), shortOne);

    // Linking below "Goal1x" descends into "Goal1" instead and finds no parent there.
    RecordingNode* child = node("child");
    EXPECT_FALSE(graph->addNode(child, "Goal1x\\Child"));
    EXPECT_TRUE(shortOne->getChildren().empty());
    EXPECT_TRUE(longOne->getChildren().empty());
    delete child;
}

TEST_F(ObjectGraphTest, RefusesLinksThatWouldDeleteTwiceOrLoop)
{
    RecordingNode* group = node("group");
    RecordingNode* other = node("other");
    graph->addNode(group, "G");
    graph->addNode(other, "O");
    RecordingNode* leaf = node("leaf");
    ASSERT_TRUE(graph->addNode(leaf, "G\\Leaf"));

    EXPECT_FALSE(graph->addNode(leaf, "O\\Leaf"));
    EXPECT_FALSE(graph->addNode(group, "G\\Again"));
    EXPECT_FALSE(graph->addNode(graph->findNode(""), "Root"));
    EXPECT_FALSE(graph->addNode(nullptr, "Null"));
    EXPECT_TRUE(other->getChildren().empty());

    RecordingNode* orphan = node("orphan");
    EXPECT_FALSE(graph->addNode(orphan, "Missing\\Child"));
    EXPECT_TRUE(orphan->getPath().empty());
    EXPECT_EQ(graph->findNode("")->getChildren().size(), 2u);
    delete orphan;
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

} // namespace
