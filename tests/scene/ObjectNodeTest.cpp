#include "scene/ObjectNode.h"

#include <gtest/gtest.h>

namespace {

struct SideState {
    std::int32_t side;
    bool active;
    bool operator==(const SideState&) const = default;
};

SideState state(const ObjectNode& node)
{
    return {node.side, node.isActive()};
}

TEST(ObjectNodeTest, ConstructionSignExtendsTheSide)
{
    const ObjectNode centre("n", -1);
    EXPECT_EQ(centre.side, ObjectNode::SideCentre);
    EXPECT_TRUE(centre.isActive());
    EXPECT_TRUE(centre.getPath().empty());
    EXPECT_EQ(centre.x + centre.y + centre.z, 0.0f);
}

TEST(ObjectNodeTest, HideAndShowHandHalvesBackAndForth)
{
    ObjectNode node("n", ObjectNode::SideBoth);
    node.hideForPlayer(1);
    EXPECT_EQ(state(node), (SideState{2, true}));
    node.hideForPlayer(2);
    EXPECT_EQ(state(node), (SideState{2, false}));
    node.showForPlayer(1);
    EXPECT_EQ(state(node), (SideState{1, true}));
    node.showForPlayer(2);
    EXPECT_EQ(state(node), (SideState{0, true}));
}

TEST(ObjectNodeTest, HideAndShowMirrorForPlayerTwoAndIgnoreOthers)
{
    ObjectNode node("n", ObjectNode::SideBoth);
    node.hideForPlayer(2);
    EXPECT_EQ(state(node), (SideState{1, true}));
    node.hideForPlayer(3);
    node.showForPlayer(0);
    EXPECT_EQ(state(node), (SideState{1, true}));
    node.hideForPlayer(1);
    EXPECT_EQ(state(node), (SideState{1, false}));
    node.showForPlayer(2);
    EXPECT_EQ(state(node), (SideState{2, true}));
    // Showing a half the node already has changes nothing.
    node.showForPlayer(2);
    EXPECT_EQ(state(node), (SideState{2, true}));
}

TEST(ObjectNodeTest, IsHiddenForDependsOnSideAndActivity)
{
    ObjectNode node("n", ObjectNode::SideBoth);
    node.setActive(false);
    EXPECT_FALSE(node.isHiddenFor(1));
    EXPECT_FALSE(node.isHiddenFor(2));

    node.side = ObjectNode::SidePlayer1;
    EXPECT_TRUE(node.isHiddenFor(1));
    node.setActive(true);
    EXPECT_FALSE(node.isHiddenFor(1));
    EXPECT_TRUE(node.isHiddenFor(2));

    node.side = ObjectNode::SideCentre;
    EXPECT_TRUE(node.isHiddenFor(1));
}

} // namespace
