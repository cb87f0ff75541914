#include "ArrowStage.h"

#include "fx/Text.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/Lane.h"
#include "scene/ObjectGraph.h"
#include "scene/ObjectNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace {

using arrowtest::ArrowStage;

constexpr std::uint8_t actionUp = 1;
constexpr std::uint8_t actionLeft = 4;

class JudgementTest : public ::testing::Test {
protected:
    // An arrow of the lane at a height, in both players' lists.
    Arrow* arrowAt(std::uint8_t lane, float height)
    {
        stage.arrows().spawnArrow(lane);
        Arrow* arrow = stage.arrows().getArrows(1).back();
        arrow->y = height;
        return arrow;
    }

    std::string word(int player) { return stage.arrows().getQualityText(player)->getText(); }

    ArrowStage stage{{"", "128.000", 5500, 10000}};
};

TEST_F(JudgementTest, ThresholdsAreStrictThirtyTwoBitFloats)
{
    const std::pair<float, const char*> cases[] = {{1.0f, "Godlike"}, {std::nextafter(0.95f, 1.0f), "Godlike"},
        {0.95f, "Perfect"}, {0.9f, "Great"}, {0.8f, "Good"}, {std::nextafter(0.7f, 1.0f), "Good"}, {0.7f, "Booo"},
        {0.5f, "Booo"}, {NAN, "Booo"}};
    for (const auto& [quality, expected] : cases)
        EXPECT_STREQ(ArrowManager::judgementFor(quality).word, expected) << quality;
}

TEST_F(JudgementTest, PointsAndWordsGoToTheJudgedPlayer)
{
    stage.arrows().judge(1.0f, 1);
    EXPECT_EQ(word(1), "Godlike");
    EXPECT_EQ(stage.points(1), 800u);
    EXPECT_EQ(stage.points(2), 0u);
    stage.arrows().judge(0.85f, 2);
    stage.arrows().judge(0.6f, 2);
    EXPECT_EQ(word(2), "Booo");
    EXPECT_EQ(word(1), "Godlike");
    EXPECT_EQ(stage.points(2), 250u);
    EXPECT_EQ(stage.arrows().getTally(2)[2], 1u);
    EXPECT_EQ(stage.arrows().getTally(2)[4], 1u);
}

TEST_F(JudgementTest, APressHitsTheOldestArrowOfTheLaneOnce)
{
    Arrow* older = arrowAt(LaneUp, ArrowStage::goalY + 0.25f);
    Arrow* newer = arrowAt(LaneUp, ArrowStage::goalY - 0.02f);
    arrowAt(LaneLeft, ArrowStage::goalY);

    stage.arrows().onPlayerAction(1, actionUp);
    EXPECT_EQ(word(1), "Good");
    EXPECT_EQ(stage.points(1), 100u);
    EXPECT_TRUE(older->isHiddenFor(1));
    EXPECT_FALSE(older->isHiddenFor(2));
    EXPECT_FALSE(newer->isHiddenFor(1));
    ASSERT_EQ(stage.arrows().getArrows(1).size(), 2u);
    EXPECT_EQ(stage.arrows().getArrows(2).size(), 3u);

    stage.arrows().onPlayerAction(1, actionUp);
    EXPECT_EQ(word(1), "Godlike");
    EXPECT_EQ(stage.points(1), 900u);
    // The lane is empty now; the Left arrow is not touched by Up.
    stage.arrows().onPlayerAction(1, actionUp);
    EXPECT_EQ(stage.points(1), 900u);
    EXPECT_EQ(stage.arrows().getArrows(1).size(), 1u);
    // The other player still has all three.
    stage.arrows().onPlayerAction(2, actionUp);
    EXPECT_EQ(stage.points(2), 100u);
}

TEST_F(JudgementTest, PressesOutsideTheWindowOrOnAHiddenLaneChangeNothing)
{
    Arrow* low = arrowAt(LaneLeft, ArrowStage::goalY - Arrow::window);
    Arrow* high = arrowAt(LaneLeft, ArrowStage::goalY + Arrow::window);
    stage.arrows().onPlayerAction(1, actionLeft);
    stage.arrows().onPlayerAction(2, actionLeft);
    EXPECT_EQ(stage.points(1), 0u);
    EXPECT_EQ(stage.points(2), 0u);
    EXPECT_EQ(word(1), "");
    EXPECT_EQ(stage.arrows().getArrows(1).size(), 2u);
    EXPECT_FALSE(low->isHiddenFor(1));
    EXPECT_FALSE(high->isHiddenFor(1));
    // Actions out of range and unknown players are ignored too.
    stage.arrows().onPlayerAction(3, actionLeft);
    for (const std::uint8_t action : {0, 9, 255})
        stage.arrows().onPlayerAction(1, action);
    EXPECT_EQ(stage.arrows().getArrows(1).size(), 2u);

    // A lane whose goal is hidden for the player hits nothing until it shows.
    arrowAt(LaneUp, ArrowStage::goalY);
    ObjectGraph::find()->findNode("Goal1")->hideForPlayer(1);
    stage.arrows().onPlayerAction(1, actionUp);
    EXPECT_EQ(stage.points(1), 0u);
    stage.arrows().onPlayerAction(2, actionUp);
    EXPECT_EQ(stage.points(2), 800u);
    ObjectGraph::find()->findNode("Goal1")->showForPlayer(1);
    stage.arrows().onPlayerAction(1, actionUp);
    EXPECT_EQ(stage.points(1), 800u);
}

TEST_F(JudgementTest, ArrowsAboveTheMissHeightLeaveBothFieldsButStayListed)
{
    Arrow* missed = arrowAt(LaneUp, ArrowManager::missHeight + 0.01f);
    Arrow* hitByTwo = arrowAt(LaneDown, ArrowStage::goalY);
    stage.arrows().onPlayerAction(2, 3);
    hitByTwo->y = ArrowManager::missHeight + 0.01f;
    stage.arrows().update(stage.now());
    EXPECT_FALSE(missed->isActive());
    EXPECT_FALSE(hitByTwo->isActive());
    EXPECT_EQ(stage.arrows().getArrows(1).size(), 2u);
    EXPECT_EQ(stage.arrows().getArrows(2).size(), 1u);
    EXPECT_EQ(stage.points(1), 0u);
}

} // namespace
