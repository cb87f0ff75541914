#include "ArrowStage.h"

#include "game/ArrowManager.h"
#include "game/GimmickManager.h"
#include "game/GoalMarker.h"
#include "game/Missile.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using arrowtest::ArrowStage;

// The direction action of each lane: Left, Up, Right, Down.
constexpr std::array<std::uint8_t, 4> laneAction{4, 1, 2, 3};
constexpr std::uint8_t slot1 = 5;
constexpr std::uint8_t slot2 = 6;
constexpr std::uint8_t slot3 = 7;
constexpr std::uint8_t slot4 = 8;

class GimmickHooksTest : public ::testing::Test {
protected:
    void SetUp() override { gimmicks = GimmickManager::instance(); }

    std::uint32_t songTime() { return SoundManager::instance()->getStreamTime(ArrowManager::streamName); }

    // Starts the song and plays it past the gimmick guard.
    void playPastTheGuard()
    {
        stage.startSong();
        while (songTime() <= ArrowManager::gimmickGuardMs)
            stage.frame(10);
    }

    // Player 1 fires slot 0 (with Slot2) into a known lane of player 2's field.
    Missile* fireAt(int lane)
    {
        gimmicks->award(1, GimmickManager::missileType);
        auto* missile = static_cast<Missile*>(gimmicks->getSlot(1, 0));
        stage.frame(10, [&] {
            unsigned seed = 1;
            while ((std::srand(seed), std::rand() % 4) != lane)
                ++seed;
            std::srand(seed);
            stage.arrows().onPlayerAction(1, slot2);
        });
        EXPECT_TRUE(missile->isLaunched());
        return missile;
    }

    void flyInto(const Missile* missile, float height)
    {
        for (int frames = 0; frames < 1000 && missile->y < height; ++frames)
            stage.frame(10);
    }

    GoalMarker* goal(int lane)
    {
        return static_cast<GoalMarker*>(ObjectGraph::find()->findNode(("Goal" + std::to_string(lane)).c_str()));
    }

    ArrowStage stage{{"", "128.000", 5500, 60000}};
    GimmickManager* gimmicks = nullptr;
};

TEST_F(GimmickHooksTest, SlotKeysFireSlotsOneAndZeroOnlyAfterTheGuard)
{
    for (int i = 0; i < 4; ++i)
        gimmicks->award(1, GimmickManager::missileType);
    const auto filled = [&] {
        std::string row;
        for (int slot = 0; slot < 4; ++slot)
            row += gimmicks->getSlot(1, slot) ? '1' : '0';
        return row;
    };

    // The first press only starts the song; held, it launches nothing in the
    // guard time, and the first repeat past it fires slot 1.
    stage.startSong();
    std::uint32_t pressedAt = 0;
    do {
        stage.frame(10, [&] {
            pressedAt = songTime();
            stage.arrows().onPlayerAction(1, slot1);
        });
        if (pressedAt <= ArrowManager::gimmickGuardMs) {
            ASSERT_EQ(filled(), "1111") << "at " << pressedAt << " ms";
        }
    } while (pressedAt <= ArrowManager::gimmickGuardMs);
    EXPECT_EQ(filled(), "1011");
    stage.frame(10, [&] { stage.arrows().onPlayerAction(1, slot4); });
    EXPECT_EQ(filled(), "0011");
    // Nothing fires slots 2 and 3; player 2's keys fire player 2's slots only.
    stage.frame(10, [&] {
        for (const std::uint8_t key : {slot1, slot2, slot3, slot4})
            stage.arrows().onPlayerAction(1, key);
        stage.arrows().onPlayerAction(2, slot2);
    });
    EXPECT_EQ(filled(), "0011");
}

TEST_F(GimmickHooksTest, DirectionPressCatchesAMissileInsideItsWindow)
{
    playPastTheGuard();
    Missile* missile = fireAt(2);
    flyInto(missile, 0.9f);
    stage.arrows().onPlayerAction(2, laneAction[2]);
    EXPECT_FALSE(missile->exploded);

    flyInto(missile, 1.2f);
    const float quality = missile->quality();
    const std::uint32_t caught = stage.now();
    // A press in another lane passes it by.
    stage.arrows().onPlayerAction(2, laneAction[1]);
    EXPECT_FALSE(missile->exploded);
    stage.arrows().onPlayerAction(2, laneAction[2]);
    ASSERT_TRUE(missile->exploded);
    EXPECT_TRUE(goal(2)->isHiddenFor(2));
    EXPECT_EQ(missile->getBlockUntil(), caught + static_cast<std::uint32_t>(quality * 10000.0));
    EXPECT_LT(missile->getBlockUntil() - caught, 5000u);
}

TEST_F(GimmickHooksTest, BlockedPlayerCannotCatchButTheOtherPlayerCan)
{
    playPastTheGuard();
    Missile* first = fireAt(0);
    flyInto(first, 1.9f);
    stage.arrows().onPlayerAction(2, laneAction[0]);
    ASSERT_TRUE(first->exploded);

    Missile* second = fireAt(0);
    flyInto(second, 1.1f);
    ASSERT_TRUE(goal(0)->isHiddenFor(2));
    stage.arrows().onPlayerAction(2, laneAction[0]);
    EXPECT_FALSE(second->exploded);
    stage.arrows().onPlayerAction(1, laneAction[0]);
    EXPECT_TRUE(second->exploded);
}

} // namespace
