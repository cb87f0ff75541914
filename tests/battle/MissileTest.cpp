#include "BattleFixture.h"

#include "fx/AnimatedSprite.h"
#include "fx/ExplosionEmitter.h"

#include <limits>

namespace {

using AwardTest = BattleFixture;
using MissileTest = BattleFixture;

int filledSlots(const GimmickManager& manager, int player)
{
    int count = 0;
    for (int slot = 0; slot < GimmickManager::slotCount; ++slot)
        count += manager.getSlot(player, slot) != nullptr;
    return count;
}

// Each threshold goes once to the first player to reach it; reached in one
// frame by both, player 1 takes it. The fourth is the last.
TEST_F(AwardTest, EachThresholdGoesOnceToTheFirstPlayerToReachIt)
{
    struct Reach { std::uint32_t one, two; int slotsOne, slotsTwo; };
    const Reach reaches[] = {{4999, 0, 0, 0},          {5000, 0, 1, 0},     {5000, 11999, 1, 0},
                             {12000, 12000, 2, 0},     {0, 29999, 2, 1},    {0, 30000, 2, 2},
                             {0xFFFFFFFFu, 0xFFFFFFFFu, 2, 2}};
    for (const Reach& reach : reaches) {
        gimmicks->awardReached(reach.one, reach.two);
        EXPECT_EQ(filledSlots(*gimmicks, 1), reach.slotsOne) << reach.one << " to " << reach.two;
        EXPECT_EQ(filledSlots(*gimmicks, 2), reach.slotsTwo) << reach.one << " to " << reach.two;
    }
    // A missile flies in the opponent's field and waits in its slot, armed:
    // it neither moves nor draws.
    const auto* own = static_cast<const Missile*>(gimmicks->getSlot(1, 0));
    EXPECT_EQ(own->side, ObjectNode::SidePlayer2);
    EXPECT_EQ(gimmicks->getSlot(2, 0)->side, ObjectNode::SidePlayer1);
    frame(500);
    EXPECT_FLOAT_EQ(own->y, -3.0f);
}

TEST_F(AwardTest, SlotChosenIsTheFirstFreeAndAFullRowReplacesSlotThree)
{
    std::vector<int> slots{gimmicks->award(1, 0), gimmicks->award(1, 0)};
    EXPECT_TRUE(gimmicks->launch(1, 0));
    for (int i = 0; i < 3; ++i)
        slots.push_back(gimmicks->award(1, 0));
    Gimmick* third = gimmicks->getSlot(1, 3);
    slots.push_back(gimmicks->award(1, 0));
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 0, 2, 3, 3}));
    EXPECT_NE(gimmicks->getSlot(1, 3), third);
    EXPECT_EQ(gimmicks->getGimmicks().size(), 6u);
}

TEST_F(AwardTest, BadSlotsPlayersAndTypesChangeNothing)
{
    for (const auto& [player, slot] : {std::pair<std::int8_t, std::int8_t>{1, 4}, {1, -1}, {3, 0}})
        EXPECT_FALSE(gimmicks->place(player, 0, slot)) << +player << " " << +slot;
    EXPECT_EQ(gimmicks->award(0, 0), -1);
    EXPECT_EQ(gimmicks->award(-1, 0), -1);
    // Only type 0 exists: another type is accepted and places nothing.
    EXPECT_TRUE(gimmicks->place(1, 7, 0));
    EXPECT_TRUE(gimmicks->getGimmicks().empty());

    EXPECT_FALSE(gimmicks->launch(1, 0));
    gimmicks->award(1, 0);
    for (const auto& [player, slot] : {std::pair<std::int8_t, std::int8_t>{1, 4}, {1, -128}, {2, 0}, {5, 0}})
        EXPECT_FALSE(gimmicks->launch(player, slot)) << +player << " " << +slot;
    EXPECT_EQ(gimmicks->getSlot(1, 9), nullptr);
    EXPECT_TRUE(gimmicks->launch(1, 0));
    EXPECT_EQ(gimmicks->getSlot(1, 0), nullptr);
    EXPECT_FALSE(gimmicks->launch(1, 0));
}

// A launch aims at a random lane; the missile climbs 250 units a minute
// whatever the frame length (a frame of 0 ms counts as 1 ms) and drags a
// trail of one puff a frame until the explosion, none after it.
// Across two machines the other player's store is what their machine says:
// the slots it names hold a missile, the others are emptied, and this
// machine never awards that player itself.
TEST_F(AwardTest, TheOtherMachinesStoreIsAdoptedAndNeverAwardedHere)
{
    gimmicks->awardOnly(1);
    gimmicks->awardReached(0, 30000);
    EXPECT_EQ(filledSlots(*gimmicks, 2), 0);
    gimmicks->adoptStore(2, 0b0011, 0b0101);
    Gimmick* dropped = gimmicks->getSlot(2, 0);
    Gimmick* kept = gimmicks->getSlot(2, 2);
    ASSERT_TRUE(dropped && kept);
    EXPECT_EQ(filledSlots(*gimmicks, 2), 2);
    gimmicks->awardReached(12000, 30000);
    EXPECT_EQ(filledSlots(*gimmicks, 1), 0) << "the thresholds the other player has";
    gimmicks->awardReached(20000, 30000);
    EXPECT_EQ(filledSlots(*gimmicks, 1), 1);

    gimmicks->adoptStore(2, 0b0011, 0b0100);
    gimmicks->adoptStore(3, 0b1111, 0b1111);
    EXPECT_EQ(gimmicks->getSlot(2, 0), nullptr);
    EXPECT_FALSE(dropped->isActive());
    EXPECT_EQ(gimmicks->getSlot(2, 2), kept);
    EXPECT_EQ(filledSlots(*gimmicks, 2), 1);
    gimmicks->awardOnly(0);
}

TEST_F(MissileTest, LaunchedMissileClimbsSteadilyDragsATrailAndExplodesAtTheGoalLine)
{
    Missile* missile = fireAt(2);
    ASSERT_TRUE(missile->isLaunched());
    EXPECT_FLOAT_EQ(missile->x, goals[2]->x);
    EXPECT_FLOAT_EQ(missile->y, -4.0f);
    ExplosionEmitter* trail = missile->getExhaust();
    ASSERT_NE(trail, nullptr);
    EXPECT_EQ(graph->findNode("MisslePart"), trail);
    EXPECT_EQ(trail->side, ObjectNode::SidePlayer2);

    for (int i = 0; i < 60; ++i)
        frame(10);
    EXPECT_NEAR(missile->y, -4.0f + 2.5f, 1e-4);
    frame(600);
    EXPECT_NEAR(missile->y, -4.0f + 5.0f, 1e-4);
    const float before = missile->y;
    frame(0);
    EXPECT_NEAR(missile->y - before, 250.0f / 60000.0f, 1e-5);
    EXPECT_FLOAT_EQ(trail->x, missile->x);
    EXPECT_FLOAT_EQ(trail->y, missile->y - 0.5f);


    // It explodes as it reaches the goal line and blocks the lane for ten seconds.
    while (missile->y + 0.05f < goalY + 0.5f)
        frame(10);
    EXPECT_FALSE(missile->exploded);
    EXPECT_FALSE(goals[2]->isHiddenFor(2));
    flyUntilExploded(missile);
    EXPECT_GE(missile->y, goalY + 0.5f);
    EXPECT_FALSE(missile->isActive());
    EXPECT_TRUE(goals[2]->isHiddenFor(2));
    EXPECT_FALSE(goals[2]->isHiddenFor(1));
    auto* blast = dynamic_cast<AnimatedSprite*>(graph->findNode("Explosion"));
    ASSERT_NE(blast, nullptr);
    EXPECT_EQ(blast->side, ObjectNode::SidePlayer2);
    EXPECT_EQ(std::pair(blast->x, blast->y), std::pair(goals[2]->x, goals[2]->y));

    const std::size_t smoke = trail->getParticles().size();
    EXPECT_LT(smoke, ExplosionEmitter::maxParticles);
    frame(10000);
    EXPECT_TRUE(goals[2]->isHiddenFor(2));
    frame(1);
    EXPECT_FALSE(goals[2]->isHiddenFor(2));
    EXPECT_EQ(trail->getParticles().size(), smoke);
}

TEST_F(MissileTest, CatchWindowIsStrictlyBetweenOneAndTwoAndAnEarlyCatchBlocksForQualityTimesTenSeconds)
{
    Missile* missile = fireAt(0);
    for (const auto& [height, expected] :
         {std::pair{1.0f, 0.0f}, {1.5f, 0.0f}, {2.0f, 0.0f}, {1.2f, 0.3f}, {1.9f, 0.4f}, {-4.0f, 0.0f}}) {
        missile->y = height;
        EXPECT_NEAR(missile->quality(), expected, 1e-6) << "at height " << height;
    }
    missileCaughtAt(missile, 1.2f);
    EXPECT_TRUE(missile->exploded);
    // 0.3 in floats is a hair under: the block is 3 s to the millisecond.
    frame(2998);
    EXPECT_TRUE(goals[0]->isHiddenFor(2));
    frame(3);
    EXPECT_FALSE(goals[0]->isHiddenFor(2));

    // Outlandish qualities keep the block within ten seconds.
    for (const float quality : {-1.0f, 7.5f, std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::infinity()}) {
        missile = fireAt(0);
        missile->hit(quality);
        EXPECT_LE(missile->getBlockUntil() - clock.now(), 10000u) << "quality " << quality;
        frame(10001);
    }
}

// Blocks of one lane that overlap: the later block holds whole.
TEST_F(MissileTest, OverlappingBlocksOfALaneLastTillTheLaterEnds)
{
    // A missile reaching a blocked lane explodes there, not on its way off the screen.
    Missile* first = fireAt(2);
    flyUntilExploded(first);
    frame(2000);
    Missile* second = fireAt(2);
    flyUntilExploded(second);
    EXPECT_LT(second->y, goalY + 0.55f);
    expectLaneBlockedFor(2, 10000);

    // A spent missile does not cut short a later block.
    missileCaughtAt(fireAt(1), 1.9f);
    frame(4001);
    ASSERT_FALSE(goals[1]->isHiddenFor(2));
    flyUntilExploded(fireAt(1));
    expectLaneBlockedFor(1, 10000);

    // A catch during another block leaves that block whole.
    flyUntilExploded(fireAt(3));
    const std::uint32_t impact = clock.now();
    Missile* caught = fireAt(3);
    missileCaughtAt(caught, 1.1f);
    EXPECT_TRUE(caught->exploded);
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
    loop = new testsupport::StandInMainLoop();
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

// A new round opens every blocked lane at once, of either player.
TEST_F(MissileTest, ANewRoundOpensTheBlockedLanesOfBothPlayers)
{
    flyUntilExploded(fireAt(0));
    goals[3]->hideForPlayer(1);
    ASSERT_TRUE(goals[0]->isHiddenFor(2) && goals[3]->isHiddenFor(1));
    gimmicks->newRound();
    EXPECT_FALSE(goals[0]->isHiddenFor(2));
    EXPECT_FALSE(goals[3]->isHiddenFor(1));
}

} // namespace
