#include "BattleFixture.h"

#include "game/Player.h"
#include "game/PlayerManager.h"

namespace {

using AwardTest = BattleFixture;

int filledSlots(const GimmickManager& manager, int player)
{
    int count = 0;
    for (int slot = 0; slot < GimmickManager::slotCount; ++slot)
        count += manager.getSlot(player, slot) != nullptr;
    return count;
}

TEST_F(AwardTest, EachThresholdGoesOnceToTheFirstPlayerToReachIt)
{
    gimmicks->awardReached(4999, 0);
    EXPECT_EQ(gimmicks->getGimmicks().size(), 0u);

    gimmicks->awardReached(5000, 0);
    ASSERT_NE(gimmicks->getSlot(1, 0), nullptr);
    EXPECT_EQ(filledSlots(*gimmicks, 2), 0);

    gimmicks->awardReached(5000, 11999);
    EXPECT_EQ(filledSlots(*gimmicks, 2), 0);
    EXPECT_EQ(gimmicks->getGimmicks().size(), 1u);

    gimmicks->awardReached(5000, 12000);
    EXPECT_NE(gimmicks->getSlot(2, 0), nullptr);
    EXPECT_EQ(filledSlots(*gimmicks, 1), 1);
}

// Both reaching thresholds in one frame: player 1 takes them; the fourth
// threshold awards a missile too, and there are no more after it.
TEST_F(AwardTest, SimultaneousReachGoesToPlayerOneAndFourThresholdsExist)
{
    gimmicks->awardReached(12000, 12000);
    EXPECT_EQ(filledSlots(*gimmicks, 1), 2);
    EXPECT_EQ(filledSlots(*gimmicks, 2), 0);
    EXPECT_FALSE(gimmicks->isAwarded(2));
    gimmicks->awardReached(0, 29999);
    EXPECT_EQ(filledSlots(*gimmicks, 2), 1);
    gimmicks->awardReached(0, 30000);
    EXPECT_EQ(filledSlots(*gimmicks, 2), 2);
    gimmicks->awardReached(0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_EQ(gimmicks->getGimmicks().size(), 4u);
}

TEST_F(AwardTest, MissileFliesInTheOpponentsFieldAndWaitsInItsSlot)
{
    gimmicks->awardReached(5000, 12000);
    const auto* own = static_cast<const Missile*>(gimmicks->getSlot(1, 0));
    const auto* theirs = static_cast<const Missile*>(gimmicks->getSlot(2, 0));
    EXPECT_EQ(own->side, ObjectNode::SidePlayer2);
    EXPECT_EQ(theirs->side, ObjectNode::SidePlayer1);
    EXPECT_FALSE(own->isLaunched());
    EXPECT_FLOAT_EQ(own->x, 5.0f);
    EXPECT_FLOAT_EQ(own->y, -3.0f);

    // An armed missile neither moves nor draws.
    frame(500);
    EXPECT_FLOAT_EQ(own->y, -3.0f);
}

TEST_F(AwardTest, SlotChosenIsTheFirstFreeAndAFullRowReplacesSlotThree)
{
    EXPECT_EQ(gimmicks->award(1, 0), 0);
    EXPECT_EQ(gimmicks->award(1, 0), 1);
    EXPECT_TRUE(gimmicks->launch(1, 0));
    EXPECT_EQ(gimmicks->award(1, 0), 0);
    EXPECT_EQ(gimmicks->award(1, 0), 2);
    EXPECT_EQ(gimmicks->award(1, 0), 3);
    Gimmick* third = gimmicks->getSlot(1, 3);
    EXPECT_EQ(gimmicks->award(1, 0), 3);
    EXPECT_NE(gimmicks->getSlot(1, 3), third);
    EXPECT_EQ(gimmicks->getGimmicks().size(), 6u);
}

TEST_F(AwardTest, BadSlotsPlayersAndTypesChangeNothing)
{
    EXPECT_FALSE(gimmicks->place(1, 0, 4));
    EXPECT_FALSE(gimmicks->place(1, 0, -1));
    EXPECT_FALSE(gimmicks->place(3, 0, 0));
    EXPECT_EQ(gimmicks->award(0, 0), -1);
    EXPECT_EQ(gimmicks->award(-1, 0), -1);
    // Only type 0 exists: another type is accepted and places nothing.
    EXPECT_TRUE(gimmicks->place(1, 7, 0));
    EXPECT_TRUE(gimmicks->getGimmicks().empty());

    EXPECT_FALSE(gimmicks->launch(1, 0));
    gimmicks->award(1, 0);
    EXPECT_FALSE(gimmicks->launch(1, 4));
    EXPECT_FALSE(gimmicks->launch(1, -128));
    EXPECT_FALSE(gimmicks->launch(2, 0));
    EXPECT_FALSE(gimmicks->launch(5, 0));
    EXPECT_NE(gimmicks->getSlot(1, 0), nullptr);
    EXPECT_EQ(gimmicks->getSlot(1, 9), nullptr);

    EXPECT_TRUE(gimmicks->launch(1, 0));
    EXPECT_EQ(gimmicks->getSlot(1, 0), nullptr);
    EXPECT_FALSE(gimmicks->launch(1, 0));
}

TEST_F(AwardTest, UpdateWatchesThePlayersPoints)
{
    PlayerManager* players = PlayerManager::instance();
    gimmicks->update(); // no players yet: nothing to award
    players->addPlayer();
    players->addPlayer();
    players->getPlayer(2)->addPoints(5000);
    gimmicks->update();
    EXPECT_NE(gimmicks->getSlot(2, 0), nullptr);
    players->getPlayer(1)->addPoints(5000);
    gimmicks->update();
    EXPECT_EQ(gimmicks->getSlot(1, 0), nullptr);

    // A registry teardown ends the manager; the next one starts fresh.
    ObjectRegistry::destroy();
    EXPECT_TRUE(GimmickManager::instance()->getGimmicks().empty());
    EXPECT_FALSE(GimmickManager::instance()->isAwarded(0));
}

} // namespace
