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

// Hiding a half hands the node to the other half; hiding both deactivates it
// with the side left on the last half; players other than 1 and 2 are ignored.
TEST(ObjectNodeTest, HideAndShowHandHalvesBackAndForth)
{
    ObjectNode node("n", ObjectNode::SideBoth);
    node.hideForPlayer(1);
    EXPECT_EQ(state(node), (SideState{2, true}));
    node.hideForPlayer(3);
    node.showForPlayer(0);
    EXPECT_EQ(state(node), (SideState{2, true}));
    node.hideForPlayer(2);
    EXPECT_EQ(state(node), (SideState{2, false}));
    node.showForPlayer(1);
    EXPECT_EQ(state(node), (SideState{1, true}));
    node.showForPlayer(1);
    EXPECT_EQ(state(node), (SideState{1, true}));
    node.showForPlayer(2);
    EXPECT_EQ(state(node), (SideState{0, true}));
    node.hideForPlayer(2);
    node.hideForPlayer(1);
    EXPECT_EQ(state(node), (SideState{1, false}));
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
