#include "ArrowStage.h"

#include "fx/Text.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/GimmickManager.h"
#include "game/GoalMarker.h"
#include "game/Missile.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "game/SGMissle.h"
#include "game/Sidebar.h"
#include "scene/Dancer.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using arrowtest::ArrowStage;

constexpr std::uint8_t actionOf[] = {4, 1, 2, 3};
constexpr std::uint8_t slot2 = 6;

// What a round leaves on screen: points, tallies, winner and both results columns.
struct Outcome {
    std::array<std::uint32_t, 2> points;
    std::array<std::array<std::uint32_t, 5>, 2> tallies;
    std::string winner;
    std::vector<std::string> results;
    bool operator==(const Outcome&) const = default;
};

class RoundTest : public ::testing::Test {
protected:
    RoundTest()
    {
        ObjectGraph::find()->addNode(dancer, "Dancer");
        sidebar = new Sidebar("sidebar_p1", PlayerManager::instance()->getPlayer(1));
    }

    // Player 1 presses on every beat, player 2 some 60 ms late, at 60 frames
    // a second, until `songMs` into the song.
    void play(std::uint32_t songMs, const std::function<void(std::uint32_t)>& each = {})
    {
        const auto arrows = arrowtest::chartArrows(chart);
        std::array<std::size_t, 2> next{};
        stage.startSong();
        for (std::uint64_t frame = 0; stage.now() - stage.songStart() < songMs; ++frame) {
            stage.frame(static_cast<std::uint32_t>((frame + 1) * 1000 / 60 - frame * 1000 / 60), [&] {
                const std::uint32_t at = stage.now() - stage.songStart();
                for (std::uint8_t player = 1; player <= 2; ++player) {
                    for (auto& n = next[player - 1]; n < arrows.size() && arrows[n].beatMs + 60 * (player - 1) <= at; ++n)
                        stage.arrows().onPlayerAction(player, actionOf[arrows[n].lane]);
                }
            });
            if (each)
                each(stage.now() - stage.songStart());
        }
    }

    Outcome outcome() const
    {
        Outcome seen{{stage.points(1), stage.points(2)}, {manager().getTally(1), manager().getTally(2)},
                     manager().getWinnerText()->getText(), {}};
        for (int player = 1; player <= 2; ++player) {
            for (const Text* text : manager().getResults().getColumn(player))
                seen.results.push_back(text->isActive() ? text->getText() : "(hidden)");
        }
        return seen;
    }

    // As the main loop starts a new round.
    void newRound()
    {
        PlayerManager::instance()->newRound();
        gimmicks->newRound();
        stage.arrows().newRound();
        sidebar->newRound();
        dancer->newRound();
    }

    ArrowManager& manager() const { return const_cast<ArrowStage&>(stage).arrows(); }
    GoalMarker* goal(int lane) { return static_cast<GoalMarker*>(ObjectGraph::find()->findNode(("Goal" + std::to_string(lane)).c_str())); }

    arrowtest::Chart chart{"8040206010A0", "128.000", 5500, 9000};
    ArrowStage stage{chart};
    GimmickManager* gimmicks = GimmickManager::instance();
    Dancer* dancer = new Dancer();
    Sidebar* sidebar = nullptr;
};

TEST_F(RoundTest, NothingCarriesOverAndTheNextRoundPlaysLikeTheFirst)
{
    play(chart.songMs + 500);
    const Outcome first = outcome();
    // Player 1's 8 arrows all Godlike, player 2's all Great; holds and mines
    // are not shown for the game's own song.
    const std::vector<std::string> expected{
        "Godlike       8", "Perfect       0", "Great         0", "Good          0", "Booo          0", "Points     6400", "", "", "",
        "Godlike       0", "Perfect       0", "Great         8", "Good          0", "Booo          0", "Points     1600", "", "", ""};
    EXPECT_EQ(first.results, expected);
    EXPECT_EQ(first.winner, "Kai won!");

    // A round cut short with everything in play: points past two thresholds,
    // a missile exploded on a lane of player 1, one in flight, a slot filled,
    // arrows on screen, pending dance moves.
    newRound();
    Missile* inFlight = nullptr;
    play(5000, [&](std::uint32_t at) {
        if (at > 1000 && gimmicks->getGimmicks().empty()) {
            PlayerManager::instance()->getPlayer(2)->addPoints(12000);
            gimmicks->update();
            stage.arrows().onPlayerAction(2, slot2);
        }
        if (at > 4000 && !inFlight) {
            gimmicks->award(1, GimmickManager::missileType);
            inFlight = static_cast<Missile*>(gimmicks->getSlot(1, 0));
            gimmicks->launch(1, 0);
        }
    });
    ASSERT_TRUE(gimmicks->getGimmicks().front()->exploded);
    ASSERT_TRUE(std::ranges::any_of(std::array{0, 1, 2, 3}, [&](int lane) { return goal(lane)->isHiddenFor(1); }));
    ASSERT_TRUE(inFlight->isActive() && gimmicks->getSlot(2, 1) && gimmicks->isAwarded(1));
    ASSERT_FALSE(stage.arrows().getArrows(1).empty());
    ASSERT_GT(dancer->pendingEvents(), 0u);

    newRound();
    // Ten seconds on the story screen: nothing acts.
    for (int frame = 0; frame < 1000; ++frame)
        stage.frame(10);
    EXPECT_EQ(stage.points(1) + stage.points(2), 0u);
    EXPECT_TRUE(gimmicks->getGimmicks().empty());
    EXPECT_FALSE(inFlight->isActive());
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_FALSE(gimmicks->getSlot(1, slot) || gimmicks->getSlot(2, slot));
        EXPECT_FALSE(gimmicks->isAwarded(slot));
        EXPECT_FALSE(sidebar->getIcons()[static_cast<std::size_t>(slot)]->isLit());
        EXPECT_FALSE(goal(slot)->isHiddenFor(1) || goal(slot)->isHiddenFor(2));
    }
    EXPECT_EQ(sidebar->getPointsText()->getText(), "    0");
    const auto& spawned = ObjectGraph::find()->findNode("Arrow")->getChildren();
    EXPECT_TRUE(std::ranges::none_of(spawned, [](const ObjectNode* arrow) { return arrow->isActive(); }));
    EXPECT_TRUE(stage.arrows().getArrows(1).empty() && stage.arrows().getArrows(2).empty());
    // The slot key that ended the round, still held, does not start the next.
    stage.arrows().onPlayerAction(1, 5, stage.now(), false);
    EXPECT_FALSE(stage.arrows().isSongStarted());
    EXPECT_EQ(SoundManager::instance()->getStreamTime(ArrowManager::streamName), 0u);
    EXPECT_EQ(dancer->pendingEvents(), 0u);
    EXPECT_FALSE(stage.arrows().getQualityText(1)->isActive() || stage.arrows().getQualityText(2)->isActive());
    const Outcome clean = outcome();
    EXPECT_EQ(clean.winner, "");
    EXPECT_EQ(std::ranges::count(clean.results, "(hidden)"), 18);

    play(chart.songMs + 500);
    EXPECT_EQ(outcome(), first);
    const std::string log = stage.log();
    const auto firstOver = log.find("ArrowManager: Song over.");
    const auto secondOver = log.find("ArrowManager: Song over.", firstOver + 1);
    EXPECT_EQ(log.substr(firstOver, log.find('\n', firstOver) - firstOver),
              log.substr(secondOver, log.find('\n', secondOver) - secondOver));
    EXPECT_EQ(log.find("ArrowManager: Song over.", secondOver + 1), std::string::npos);
}

} // namespace
