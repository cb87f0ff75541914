#include "game/FairPoints.h"
#include "game/Player.h"
#include "game/PlayerScore.h"

#include <gtest/gtest.h>

namespace {

// A player on the larger of two charts (maxima 3200 and 9200): the battle
// points follow the scaled total at every step, never the sum of scaled
// presses; points given from elsewhere stay; a mine never takes more than
// the points earned; the counts and the combo are as played.
TEST(PlayerScore, BattlePointsFollowTheScaledTotal)
{
    Player player;
    PlayerScore score;
    score.attach(2, &player, nullptr);
    score.setFairPoints(FairPoints(3200, 9200));

    score.judged(0, 800);
    EXPECT_EQ(player.getPoints(), 800u * 3200 / 9200);
    player.addPoints(1000);
    score.mineHit(200);
    EXPECT_EQ(score.getEarned(), 600u);
    EXPECT_EQ(player.getPoints(), 1000u + 600 * 3200 / 9200);
    score.mineHit(5000);
    EXPECT_EQ(score.getEarned(), 0u);
    EXPECT_EQ(player.getPoints(), 1000u);

    player.resetPoints();
    score.newRound();
    for (int note = 0; note < 11; ++note)
        score.judged(0, 800);
    score.holdKept(400);
    EXPECT_EQ(player.getPoints(), 3200u) << "a flawless run on the larger chart earns the smaller maximum";
    EXPECT_EQ(score.getPoints(), 3200u);
    EXPECT_EQ(score.getTally()[0], 11u);
    EXPECT_EQ(score.getCombo().highest(), 11u);
    EXPECT_TRUE(score.getCombo().fullCombo());
}

// Each event's effect on the combo and the full-combo flag.
TEST(PlayerScore, ComboEndsWithMissesLetGoHoldsAndMines)
{
    const struct {
        const char* name;
        void (*event)(PlayerScore&);
        std::uint32_t run;
        bool full;
    } cases[] = {
        {"Great", [](PlayerScore& s) { s.judged(2, 200); }, 5, true},
        {"Good", [](PlayerScore& s) { s.judged(3, 100); }, 0, false},
        {"miss", [](PlayerScore& s) { s.missed(); }, 0, false},
        {"hold kept", [](PlayerScore& s) { s.holdKept(400); }, 4, true},
        {"hold let go", [](PlayerScore& s) { s.holdLetGo(); }, 0, false},
        {"mine", [](PlayerScore& s) { s.mineHit(200); }, 0, false},
    };
    for (const auto& event : cases) {
        SCOPED_TRACE(event.name);
        PlayerScore score;
        for (int note = 0; note < 4; ++note)
            score.judged(0, 800);
        event.event(score);
        EXPECT_EQ(score.getCombo().current(), event.run);
        EXPECT_EQ(score.getCombo().highest(), event.run == 5 ? 5u : 4u);
        EXPECT_EQ(score.getCombo().fullCombo(), event.full);
    }
}

} // namespace
