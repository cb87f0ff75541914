#include "ArrowStage.h"

#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/GoalMarker.h"
#include "game/Lane.h"
#include "scene/ObjectGraph.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <utility>

namespace {

using arrowtest::ArrowStage;

class ArrowNodeTest : public ::testing::Test {
protected:
    ArrowStage stage{{"", "120", 0, 1000}};
};

TEST_F(ArrowNodeTest, QualityIsOneMinusTheDistanceStrictlyInsideTheWindow)
{
    Arrow arrow("a", 0);
    const std::pair<float, float> cases[] = {{0.0f, 1.0f}, {-0.4f, 0.6f}, {0.25f, 0.75f}, {-0.5f, 0.0f}, {0.5f, 0.0f},
                                             {ArrowStage::spawnY - ArrowStage::goalY, 0.0f}};
    for (const auto& [offset, quality] : cases) {
        arrow.y = ArrowStage::goalY + offset;
        EXPECT_NEAR(arrow.quality(), quality, 1e-6f) << offset;
    }
}

TEST_F(ArrowNodeTest, RisesOneUnitPerBeatAndAZeroFrameCountsAsOneMillisecond)
{
    auto* arrow = new Arrow("a", 0);
    arrow->setup(LaneUp);
    ASSERT_TRUE(ObjectGraph::find()->addNode(arrow, "Arrow\\Arrow"));
    EXPECT_EQ(arrow->y, ArrowStage::spawnY);
    EXPECT_EQ(arrow->getBpm(), 120.0f);
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
    EXPECT_EQ(Arrow::getSpawnY(), -3.0f);
    EXPECT_EQ(Arrow::getGoalY(), 2.0f);

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

TEST_F(ArrowNodeTest, GoalMarkersSitOnTheGoalLineAndLanesOutsideTheTableKeepTheirPlace)
{
    const auto* goal = dynamic_cast<GoalMarker*>(ObjectGraph::find()->findNode("Goal2"));
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

    // Drawing leaves the matrix stack as it found it.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    stage.arrows().spawnArrow(7);
    ObjectGraph::find()->draw();
    GLint after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
    EXPECT_EQ(after, depth);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glPopMatrix();
}

} // namespace
