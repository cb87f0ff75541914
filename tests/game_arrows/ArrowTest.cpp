#include "ArrowPlay.h"

#include "chart/Lane.h"
#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "fx/Text.h"
#include "game/Arrow.h"
#include "game/GoalMarker.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"
#include "scene/ObjectNode.h"
#include "sound/Sound.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace {

using namespace arrowtest;

class ArrowTest : public ::testing::Test {
protected:
    // An arrow of the lane at a height, in both players' lists.
    Arrow* arrowAt(std::uint8_t lane, float height)
    {
        Arrow* arrow = stage.arrows().fields().spawnArrow(lane);
        arrow->y = height;
        return arrow;
    }

    std::string word(int player) { return stage.arrows().texts().quality(player)->getText(); }

    ArrowStage stage{{"", "120", 0, 1000}};
};

TEST_F(ArrowTest, RisesOneUnitPerBeatAndAZeroFrameCountsAsOneMillisecond)
{
    auto* arrow = new Arrow("a", 0);
    arrow->setup(LaneUp);
    ASSERT_TRUE(ObjectGraph::find()->addNode(arrow, "Arrow\\Arrow"));
    EXPECT_EQ(arrow->y, ArrowStage::spawnY);
    // 120 beats per minute: 5 beats from spawn to goal take 2.5 seconds.
    stage.frame(0);
    EXPECT_NEAR(arrow->y, ArrowStage::spawnY + 0.002f, 1e-5f);
    for (int frame = 0; frame < 250; ++frame)
        stage.frame(10);
    EXPECT_NEAR(arrow->y, ArrowStage::spawnY + 5.002f, 1e-3f);
}

TEST(ArrowHeightsTest, ComeFromTheFirstArrowEverMade)
{
    testsupport::ScratchDir scratch;
    Arrow::forgetHeights();
    scratch.write("Conf/a.cfg", "[General]\nGoalposy = 2\nSpawnposy = -3\n");
    scratch.write("Conf/b.cfg", "[General]\nGoalposy = 1\nSpawnposy = nan\n");
    (new ConfigFileParser())->parse("Conf/a.cfg");
    Arrow first("a", 0);
    ObjectRegistry::destroy();
    (new ConfigFileParser())->parse("Conf/b.cfg");
    Arrow second("b", 0);
    second.setup(LaneLeft);
    EXPECT_EQ(second.y, -3.0f);
    EXPECT_EQ(Arrow::getGoalY(), 2.0f);

    // Read again, a height that is not a number counts as 0.
    Arrow::forgetHeights();
    Arrow third("c", 0);
    EXPECT_EQ(Arrow::getSpawnY(), 0.0f);
    EXPECT_EQ(Arrow::getGoalY(), 1.0f);
    ObjectRegistry::destroy();
    Arrow::forgetHeights();
}

TEST_F(ArrowTest, GoalMarkersSitOnTheGoalLineAndLanesOutsideTheTableKeepTheirPlace)
{
    const auto* goal = dynamic_cast<GoalMarker*>(ObjectGraph::find()->findNode(nodes::goal(2).c_str()));
    ASSERT_NE(goal, nullptr);
    EXPECT_EQ(goal->y, ArrowStage::goalY);
    EXPECT_NE(goal->getTextureName(), 0u);
    GoalMarker marker("Goal9");
    marker.setup(2);
    marker.setup(9);
    EXPECT_EQ(marker.x, goal->x);
    EXPECT_EQ(marker.getAngle(), goal->getAngle());
    Arrow arrow("a", 0);
    arrow.setup(2);
    arrow.setup(200);
    EXPECT_EQ(arrow.x, goal->x);

}

TEST_F(ArrowTest, JudgementThresholdsAreStrictThirtyTwoBitFloatsAndScoreTheJudgedPlayer)
{
    const std::pair<float, const char*> cases[] = {{1.0f, "Godlike"}, {std::nextafter(0.95f, 1.0f), "Godlike"},
        {0.95f, "Perfect"}, {0.9f, "Great"}, {0.8f, "Good"}, {std::nextafter(0.7f, 1.0f), "Good"}, {0.7f, "Booo"},
        {0.5f, "Booo"}, {NAN, "Booo"}};
    for (const auto& [quality, expected] : cases)
        EXPECT_STREQ(Judgements::forQuality(quality).word, expected) << quality;

    // Points and words go to the judged player; only Godlike calls the announcer.
    SoundManager::instance()->addSound("Data/Music/coconut.wav", "Godlike");
    const Sound* announcer = SoundManager::instance()->find("Godlike");
    ASSERT_NE(announcer, nullptr);
    for (const float quality : {0.95f, 0.85f, 0.6f})
        stage.arrows().judging().judge(quality, 2);
    EXPECT_EQ(announcer->getChannel(), -1);
    stage.arrows().judging().judge(0.96f, 1);
    EXPECT_GE(announcer->getChannel(), 0);
    EXPECT_EQ(word(1), "Godlike");
    EXPECT_EQ(word(2), "Booo");
    EXPECT_EQ(stage.points(1), 800u);
    EXPECT_EQ(stage.points(2), 650u);
    EXPECT_EQ(stage.arrows().judging().scoreOf(2).getTally(), (std::array<std::uint32_t, 5>{0, 1, 1, 0, 1}));
}

// A press hits the oldest arrow of its lane inside the window, once and for
// that player only; presses outside the window, on a lane whose goal is
// hidden for the player, with unknown actions or players change nothing.
TEST_F(ArrowTest, APressHitsTheOldestArrowOfItsLaneInsideTheWindow)
{
    Arrow* older = arrowAt(LaneUp, ArrowStage::goalY + 0.25f);
    Arrow* newer = arrowAt(LaneUp, ArrowStage::goalY - 0.02f);
    Arrow* low = arrowAt(LaneLeft, ArrowStage::goalY - Arrow::window);
    arrowAt(LaneLeft, ArrowStage::goalY + Arrow::window);
    stage.arrows().onPlayerAction(1, left);
    stage.arrows().onPlayerAction(3, up);
    for (const std::uint8_t action : {0, 9, 255})
        stage.arrows().onPlayerAction(1, action);
    EXPECT_EQ(word(1), "");
    EXPECT_FALSE(low->isHiddenFor(1));

    stage.arrows().onPlayerAction(1, up);
    EXPECT_EQ(word(1), "Good");
    EXPECT_EQ(stage.points(1), 100u);
    EXPECT_TRUE(older->isHiddenFor(1));
    EXPECT_FALSE(older->isHiddenFor(2));
    EXPECT_FALSE(newer->isHiddenFor(1));
    ObjectGraph::find()->findNode(nodes::goal(1).c_str())->hideForPlayer(1);
    stage.arrows().onPlayerAction(1, up);
    EXPECT_EQ(stage.points(1), 100u);
    ObjectGraph::find()->findNode(nodes::goal(1).c_str())->showForPlayer(1);
    stage.arrows().onPlayerAction(1, up);
    stage.arrows().onPlayerAction(1, up);
    EXPECT_EQ(word(1), "Godlike");
    EXPECT_EQ(stage.points(1), 900u);
    EXPECT_EQ(stage.arrows().fields().getArrows(1).size(), 2u);
    EXPECT_EQ(stage.arrows().fields().getArrows(2).size(), 4u);
    stage.arrows().onPlayerAction(2, up);
    EXPECT_EQ(stage.points(2), 100u);
}

TEST_F(ArrowTest, ArrowsAboveTheMissHeightLeaveBothFieldsButStayListed)
{
    Arrow* missed = arrowAt(LaneUp, PlayerFields::missHeight + 0.01f);
    Arrow* hitByTwo = arrowAt(LaneDown, ArrowStage::goalY);
    stage.arrows().onPlayerAction(2, 3);
    hitByTwo->y = PlayerFields::missHeight + 0.01f;
    stage.arrows().update(stage.now());
    EXPECT_FALSE(missed->isActive());
    EXPECT_FALSE(hitByTwo->isActive());
    EXPECT_EQ(stage.arrows().fields().getArrows(1).size(), 2u);
    EXPECT_EQ(stage.arrows().fields().getArrows(2).size(), 1u);
    EXPECT_EQ(stage.points(1), 0u);
}

// Four hits show the combo under the word; a press into a lane a missile
// blocks hits nothing, and once its arrow has passed the miss height the
// combo ends, once, for that player only; the combo text goes.
TEST_F(ArrowTest, AnArrowPassingABlockedLaneEndsTheCombo)
{
    for (int hit = 0; hit < 4; ++hit) {
        arrowAt(LaneLeft, ArrowStage::goalY);
        stage.arrows().onPlayerAction(1, left);
        stage.arrows().onPlayerAction(2, left);
    }
    const Text* combo = stage.arrows().texts().combo(1);
    EXPECT_TRUE(combo->isActive());
    EXPECT_EQ(combo->getText(), "4 Combo");
    Arrow* blocked = arrowAt(LaneUp, ArrowStage::goalY);
    ObjectGraph::find()->findNode(nodes::goal(1).c_str())->hideForPlayer(1);
    stage.arrows().onPlayerAction(1, up);
    stage.arrows().onPlayerAction(2, up);
    EXPECT_EQ(stage.arrows().judging().scoreOf(1).getCombo().current(), 4u);
    blocked->y = PlayerFields::missHeight + 0.01f;
    stage.arrows().update(stage.now());
    stage.arrows().update(stage.now());
    EXPECT_EQ(stage.arrows().judging().scoreOf(1).getCombo().current(), 0u);
    EXPECT_EQ(stage.arrows().judging().scoreOf(1).getCombo().highest(), 4u);
    EXPECT_FALSE(stage.arrows().judging().scoreOf(1).getCombo().fullCombo());
    EXPECT_FALSE(combo->isActive());
    EXPECT_EQ(stage.arrows().judging().scoreOf(2).getCombo().current(), 5u);
}

} // namespace
