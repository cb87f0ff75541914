#include "BattleFixture.h"

#include "fx/AnimatedSprite.h"
#include "fx/ExplosionEmitter.h"

#include <limits>

namespace {

using MissileTest = BattleFixture;

TEST_F(MissileTest, LaunchAimsAtARandomLaneAndDragsATrail)
{
    Missile* missile = fireAt(2);
    ASSERT_TRUE(missile->isLaunched());
    EXPECT_EQ(missile->getTarget(), goals[2]);
    EXPECT_EQ(missile->lane, 2);
    EXPECT_FLOAT_EQ(missile->x, goals[2]->x);
    EXPECT_FLOAT_EQ(missile->y, -4.0f);

    ExplosionEmitter* trail = missile->getExhaust();
    ASSERT_NE(trail, nullptr);
    EXPECT_EQ(graph->findNode("MisslePart"), trail);
    EXPECT_EQ(trail->side, ObjectNode::SidePlayer2);
    frame(16);
    EXPECT_FLOAT_EQ(trail->x, missile->x);
    EXPECT_FLOAT_EQ(trail->y, missile->y - 0.5f);

    // One puff a frame until the explosion, then none rise past the goal line.
    while (!missile->exploded)
        frame(50);
    const std::size_t smoke = trail->getParticles().size();
    EXPECT_LT(smoke, ExplosionEmitter::maxParticles);
    for (int i = 0; i < 20; ++i)
        frame(50);
    EXPECT_EQ(trail->getParticles().size(), smoke);
}

TEST_F(MissileTest, ClimbsTwoHundredFiftyUnitsPerMinuteWhateverTheFrameLength)
{
    Missile* missile = fireAt(0);
    for (int i = 0; i < 60; ++i)
        frame(10);
    EXPECT_NEAR(missile->y, -4.0f + 2.5f, 1e-4);
    frame(600);
    EXPECT_NEAR(missile->y, -4.0f + 5.0f, 1e-4);
    // A frame reported as 0 ms moves it as if 1 ms had passed.
    const float before = missile->y;
    frame(0);
    EXPECT_NEAR(missile->y - before, 250.0f / 60000.0f, 1e-5);
}

TEST_F(MissileTest, ExplodesAtTheGoalLineAndBlocksTheLaneForTenSeconds)
{
    Missile* missile = fireAt(1);
    while (missile->y + 0.05f < goalY + 0.5f)
        frame(10);
    EXPECT_FALSE(missile->exploded);
    EXPECT_FALSE(goals[1]->isHiddenFor(2));

    flyUntilExploded(missile);
    const std::uint32_t impact = clock.now();
    EXPECT_GE(missile->y, goalY + 0.5f);
    EXPECT_FALSE(missile->isActive());
    EXPECT_TRUE(goals[1]->isHiddenFor(2));
    EXPECT_FALSE(goals[1]->isHiddenFor(1));
    EXPECT_EQ(missile->getBlockUntil(), impact + 10000);

    auto* blast = dynamic_cast<AnimatedSprite*>(graph->findNode("Explosion"));
    ASSERT_NE(blast, nullptr);
    EXPECT_FALSE(blast->isLooping());
    EXPECT_EQ(blast->side, ObjectNode::SidePlayer2);
    EXPECT_FLOAT_EQ(blast->x, goals[1]->x);
    EXPECT_FLOAT_EQ(blast->y, goals[1]->y);

    frame(10000 - (clock.now() - impact));
    EXPECT_TRUE(goals[1]->isHiddenFor(2));
    frame(1);
    EXPECT_FALSE(goals[1]->isHiddenFor(2));
    EXPECT_FALSE(missile->isBlocking());

    // Spent: it explodes only once, whatever it passes later.
    frame(5000);
    EXPECT_FALSE(goals[1]->isHiddenFor(2));
}

TEST_F(MissileTest, CatchWindowIsStrictlyBetweenOneAndTwoAndCentredOnOneAndAHalf)
{
    Missile* missile = fireAt(3);
    const std::array<std::pair<float, float>, 6> heights{
        {{1.0f, 0.0f}, {1.5f, 0.0f}, {2.0f, 0.0f}, {1.2f, 0.3f}, {1.9f, 0.4f}, {-4.0f, 0.0f}}};
    for (const auto& [height, expected] : heights) {
        missile->y = height;
        EXPECT_NEAR(missile->quality(), expected, 1e-6) << "at height " << height;
    }
    // Outlandish qualities keep the block within ten seconds.
    for (const float quality : {-1.0f, 7.5f, std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::infinity()}) {
        missile = fireAt(0);
        missile->hit(quality);
        EXPECT_LE(missile->getBlockUntil() - clock.now(), 10000u) << "quality " << quality;
        frame(10001);
    }
}

TEST_F(MissileTest, EarlyCatchBlocksForQualityTimesTenSeconds)
{
    Missile* missile = fireAt(0);
    missile->y = 1.2f;
    const std::uint32_t caught = clock.now();
    missile->hit(missile->quality());
    EXPECT_TRUE(missile->exploded);
    EXPECT_TRUE(goals[0]->isHiddenFor(2));
    // 0.3 in floats is a hair under: the block is 3 s to the millisecond.
    EXPECT_NEAR(static_cast<double>(missile->getBlockUntil()), caught + 3000.0, 1.0);

    frame(2998);
    EXPECT_TRUE(goals[0]->isHiddenFor(2));
    frame(3);
    EXPECT_FALSE(goals[0]->isHiddenFor(2));

    // The missile, spent, climbs on unseen and never explodes again.
    for (int i = 0; i < 300; ++i)
        frame(10);
    EXPECT_FALSE(goals[0]->isHiddenFor(2));
}

TEST_F(MissileTest, MissileReachingABlockedLaneExplodesThereAndTheLaterBlockHolds)
{
    Missile* first = fireAt(2);
    flyUntilExploded(first);
    frame(2000);
    Missile* second = fireAt(2);
    flyUntilExploded(second);
    ASSERT_TRUE(second->exploded);
    EXPECT_LT(second->y, goalY + 0.55f) << "explodes on arrival, not on its way off the screen";
    EXPECT_EQ(second->getBlockUntil(), clock.now() + 10000);
    // The first block ends inside the second; it must not give the marker back.
    EXPECT_FALSE(first->isBlocking());
    expectLaneBlockedFor(2, 10000);
}

TEST_F(MissileTest, SpentMissileDoesNotCutShortALaterBlock)
{
    Missile* first = fireAt(1);
    missileCaughtAt(first, 1.9f);
    frame(4001);
    ASSERT_FALSE(goals[1]->isHiddenFor(2));

    flyUntilExploded(fireAt(1));
    expectLaneBlockedFor(1, 10000);
}

TEST_F(MissileTest, CatchDuringAnotherBlockLeavesThatBlockWhole)
{
    Missile* first = fireAt(3);
    flyUntilExploded(first);
    const std::uint32_t impact = clock.now();

    Missile* second = fireAt(3);
    missileCaughtAt(second, 1.1f);
    EXPECT_TRUE(second->exploded);
    EXPECT_FALSE(second->isBlocking());
    frame(5000);
    frame(10000 - (clock.now() - impact));
    EXPECT_TRUE(goals[3]->isHiddenFor(2));
    frame(1);
    EXPECT_FALSE(goals[3]->isHiddenFor(2));
}

TEST_F(MissileTest, WithoutGoalMarkersALaunchLeavesTheMissileGrounded)
{
    ObjectRegistry::destroy();
    delete loop;
    loop = new FakeMainLoop();
    graph = new ObjectGraph();
    gimmicks = GimmickManager::instance();
    gimmicks->award(2, 0);
    Missile* missile = static_cast<Missile*>(gimmicks->getSlot(2, 0));
    EXPECT_TRUE(gimmicks->launch(2, 0));
    EXPECT_FALSE(missile->isLaunched());
    EXPECT_EQ(gimmicks->getSlot(2, 0), nullptr);
    frame(100);
    EXPECT_FLOAT_EQ(missile->y, -3.0f);
    missile->hit(1.0f);
    EXPECT_TRUE(missile->exploded);
}

} // namespace
