#include "ArrowPlay.h"

#include "chart/Lane.h"
#include "flow/Match.h"
#include "fx/Text.h"
#include "game/GimmickManager.h"
#include "game/GoalMarker.h"
#include "game/Missile.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "game/SGMissle.h"
#include "game/Sidebar.h"
#include "scene/NodeNames.h"
#include "scene/Dancer.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace arrowtest;

// The slot keys.
constexpr std::uint8_t slot2 = 6, slot3 = 7, slot4 = 8;

GoalMarker* goal(int lane)
{
    return static_cast<GoalMarker*>(ObjectGraph::find()->findNode(nodes::goal(lane).c_str()));
}

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
        ObjectGraph::find()->addNode(dancer, nodes::dancer);
        stage.arrows().setDancer(dancer);
        sidebar = new Sidebar(nodes::sidebarP1, PlayerManager::instance()->getPlayer(1));
    }

    // Player 1 presses on every beat, player 2 some 60 ms late, at 60 frames
    // a second, until `songMs` into the song.
    void play(std::uint32_t songMs, const std::function<void(std::uint32_t)>& each = {})
    {
        const auto arrows = chartArrows(chart);
        std::array<std::size_t, 2> next{};
        stage.startSong();
        for (std::uint64_t frame = 0; stage.now() - stage.songStart() < songMs; ++frame) {
            stage.frame(static_cast<std::uint32_t>((frame + 1) * 1000 / 60 - frame * 1000 / 60),
                        [&] { pressArrowsLate(stage, arrows, next, {0, 60}); });
            if (each)
                each(stage.now() - stage.songStart());
        }
    }

    Outcome outcome() const
    {
        Outcome seen{{stage.points(1), stage.points(2)}, {manager().judging().scoreOf(1).getTally(), manager().judging().scoreOf(2).getTally()},
                     manager().texts().winner()->getText(), {}};
        for (int player = 1; player <= 2; ++player) {
            for (const Text* text : const_cast<ArrowStage&>(stage).match().getResults().getBoard().getColumn(player))
                seen.results.push_back(text->isActive() ? text->getText() : "(hidden)");
        }
        return seen;
    }

    void newRound() { stage.match().startNewRound(); }

    ArrowManager& manager() const { return const_cast<ArrowStage&>(stage).arrows(); }

    Chart chart{"8040206010A0", "128.000", 5500, 9000};
    ArrowStage stage{chart};
    GimmickManager* gimmicks = GimmickManager::instance();
    Dancer* dancer = new Dancer();
    Sidebar* sidebar = nullptr;
};

TEST_F(RoundTest, NothingCarriesOverAndTheNextRoundPlaysLikeTheFirst)
{
    std::vector<std::pair<std::uint32_t, Dancer::Move>> moves;
    play(chart.songMs + 500, [&](std::uint32_t at) {
        moves.push_back({at, {dancer->getModel().firstFrame(), dancer->getModel().lastFrame()}});
    });
    const Outcome first = outcome();
    // Each single step moves the dancer as its arrows reach the goal line:
    // the move of its direction, or the special one, within a frame.
    const auto steps = chartArrows(chart);
    for (std::size_t i = 0; i < 4; ++i) {
        const Lane lane = steps[i].lane;
        const Dancer::Move due
            = lane == LaneLeft ? Dancer::leftMove : lane == LaneUp ? Dancer::upMove : Dancer::downRightMove;
        EXPECT_TRUE(std::ranges::any_of(moves, [&](const auto& seen) {
            const auto& [at, move] = seen;
            return at + 17 >= steps[i].beatMs && at <= steps[i].beatMs + 34
                && (move.firstFrame == due.firstFrame || move.firstFrame == Dancer::specialMove.firstFrame);
        })) << "step " << i;
    }
    // Every step, silent ones and those past the chart's end included, is
    // queued and consumed when due: only the steps still on their way wait.
    EXPECT_LE(dancer->pendingEvents(), static_cast<std::size_t>((ArrowStage::goalY - ArrowStage::spawnY) * 2.0) + 1);
    // Player 1's 8 arrows all Godlike, player 2's all Great; holds and mines
    // are not shown for the game's own song.
    const std::vector<std::string> expected{
        "Godlike       8", "Perfect       0", "Great         0", "Good          0", "Booo          0", "Miss          0",
        "Max combo     8", "Points     6400", "Full combo  New record", "", "", "",
        "Godlike       0", "Perfect       0", "Great         8", "Good          0", "Booo          0", "Miss          0",
        "Max combo     8", "Points     1600", "Full combo  New record", "", "", ""};
    EXPECT_EQ(first.results, expected);
    EXPECT_EQ(first.winner, "Kai won!");
    EXPECT_TRUE(stage.arrows().fields().getArrows(1).empty() && stage.arrows().fields().getArrows(2).empty());

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
    ASSERT_FALSE(stage.arrows().fields().getArrows(1).empty());
    ASSERT_GT(dancer->pendingEvents(), 0u);

    newRound();
    // Ten seconds on the story screen: nothing acts.
    for (int frame = 0; frame < 1000; ++frame)
        stage.frame(10);
    EXPECT_TRUE(gimmicks->getGimmicks().empty());
    EXPECT_FALSE(inFlight->isActive());
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_FALSE(gimmicks->getSlot(1, slot) || gimmicks->getSlot(2, slot));
        EXPECT_FALSE(gimmicks->isAwarded(slot));
        EXPECT_FALSE(sidebar->getIcons()[static_cast<std::size_t>(slot)]->isLit());
        EXPECT_FALSE(goal(slot)->isHiddenFor(1) || goal(slot)->isHiddenFor(2));
    }
    EXPECT_EQ(sidebar->getPointsText()->getText(), "    0");
    const auto& spawned = ObjectGraph::find()->findNode(nodes::carrierArrow)->getChildren();
    EXPECT_TRUE(std::ranges::none_of(spawned, [](const ObjectNode* arrow) { return arrow->isActive(); }));
    EXPECT_TRUE(stage.arrows().fields().getArrows(1).empty() && stage.arrows().fields().getArrows(2).empty());
    // The slot key that ended the round, still held, does not start the next.
    stage.press(1, slot1, stage.now(), false);
    EXPECT_FALSE(stage.arrows().songRun().isStarted());
    EXPECT_EQ(SoundManager::instance()->getStreamTime(OwnSongStepper::streamName), 0u);
    EXPECT_EQ(dancer->pendingEvents(), 0u);
    EXPECT_FALSE(stage.arrows().texts().quality(1)->isActive() || stage.arrows().texts().quality(2)->isActive());
    EXPECT_EQ(outcome(), (Outcome{{0, 0}, {}, "", std::vector<std::string>(24, "(hidden)")}));

    play(chart.songMs + 500);
    // The same points again are no new record.
    Outcome again = first;
    again.results[8] = again.results[20] = "Full combo";
    EXPECT_EQ(outcome(), again);
    const std::string log = stage.log();
    const auto firstOver = log.find("ArrowManager: Song over. Player 1: 6400 points");
    ASSERT_NE(firstOver, std::string::npos);
    EXPECT_NE(log.find("(8 Godlike, 0 Perfect, 0 Great, 0 Good, 0 Booo); Player 2: 1600 points (0 Godlike, "
                       "0 Perfect, 8 Great, 0 Good, 0 Booo); winner: Kai \n",
                       firstOver),
              std::string::npos);
    // After the totals, once per song; the silent output never underruns.
    const auto underruns = log.find("NOTICE: SoundManager: Audio underruns during the song: 0 \n", firstOver);
    EXPECT_NE(underruns, std::string::npos);
    const auto secondOver = log.find("ArrowManager: Song over.", firstOver + 1);
    EXPECT_EQ(log.substr(firstOver, log.find('\n', firstOver) - firstOver),
              log.substr(secondOver, log.find('\n', secondOver) - secondOver));
    EXPECT_EQ(log.find("ArrowManager: Song over.", secondOver + 1), std::string::npos);
    const auto lines = testsupport::linesOf(log);
    EXPECT_EQ(std::ranges::count_if(lines, [](const std::string& line) { return line.find("highest combo") != std::string::npos; }),
              4) << "one line per player and song";
}

class GimmickHooksTest : public ::testing::Test {
protected:
    std::uint32_t songTime() { return SoundManager::instance()->getStreamTime(OwnSongStepper::streamName); }

    // Player 1 fires slot 0 (with Slot2) into a known lane of player 2's field
    // (the round's seed chooses it).
    Missile* fireAt(int lane)
    {
        gimmicks->award(1, GimmickManager::missileType);
        auto* missile = static_cast<Missile*>(gimmicks->getSlot(1, 0));
        stage.frame(10, [&] {
            unsigned seed = 1;
            while ((std::srand(seed), std::rand() % 4) != lane)
                ++seed;
            gimmicks->setRoundSeed(seed - gimmicks->getLaunches());
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

    ArrowStage stage{{"", "128.000", 5500, 60000}};
    GimmickManager* gimmicks = GimmickManager::instance();
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
        if (pressedAt <= GimmickManager::keyGuardMs) {
            ASSERT_EQ(filled(), "1111") << "at " << pressedAt << " ms";
        }
    } while (pressedAt <= GimmickManager::keyGuardMs);
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

// A press in the missile's lane catches it inside its window, for as long a
// block as the catch was good; a player whose lane is blocked cannot catch,
// the other player can.
TEST_F(GimmickHooksTest, DirectionPressCatchesAMissileInsideItsWindowUnlessTheLaneIsBlocked)
{
    stage.startSong();
    while (songTime() <= GimmickManager::keyGuardMs)
        stage.frame(10);
    Missile* missile = fireAt(2);
    flyInto(missile, 0.9f);
    stage.arrows().onPlayerAction(2, laneActions[2]);
    EXPECT_FALSE(missile->exploded);
    flyInto(missile, 1.2f);
    const float quality = missile->quality();
    const std::uint32_t caught = stage.now();
    stage.arrows().onPlayerAction(2, laneActions[1]);
    EXPECT_FALSE(missile->exploded);
    stage.arrows().onPlayerAction(2, laneActions[2]);
    ASSERT_TRUE(missile->exploded);
    EXPECT_TRUE(goal(2)->isHiddenFor(2));
    EXPECT_EQ(missile->getBlockUntil(), caught + static_cast<std::uint32_t>(quality * 10000.0));

    Missile* second = fireAt(2);
    flyInto(second, 1.1f);
    ASSERT_TRUE(goal(2)->isHiddenFor(2));
    stage.arrows().onPlayerAction(2, laneActions[2]);
    EXPECT_FALSE(second->exploded);
    stage.arrows().onPlayerAction(1, laneActions[2]);
    EXPECT_TRUE(second->exploded);
}

} // namespace

// The match's order of screens: F9 opens the calibration and a slot key
// there starts the song; F9 in play changes nothing; on the results a slot
// key fires as in play until three seconds after the end, then it starts a
// new round on the story screen, where the held key does not start the song.
// A line says how to go on from when it can.
TEST_F(RoundTest, ScreensFollowStoryCalibrationPlayResultsAndBack)
{
    Match& match = stage.match();
    constexpr std::uint8_t keyF9 = 120;
    match.onKey(keyF9);
    ASSERT_EQ(match.currentScreen(), static_cast<const Screen*>(&match.getCalibration()));
    EXPECT_EQ(match.getCalibration().getCalibration().getState(), Calibration::State::Tapping);
    stage.press(2, slot3, stage.now());
    EXPECT_TRUE(stage.arrows().songRun().isStarted());
    EXPECT_EQ(match.getCalibration().getCalibration().getState(), Calibration::State::Off);
    match.onKey(keyF9);
    EXPECT_EQ(match.getCalibration().getCalibration().getState(), Calibration::State::Off);

    for (int ms = 0; ms < chart.songMs + 100; ms += 10)
        stage.frame(10);
    ASSERT_EQ(match.currentScreen(), static_cast<const Screen*>(&match.getResults()));
    const std::uint32_t end = stage.arrows().songEnd().getEndTick();
    stage.press(1, slot1, end + ResultsScreen::nextRoundAfterMs - 1);
    EXPECT_EQ(match.currentScreen(), static_cast<const Screen*>(&match.getResults()));
    const Text* hint = match.getResults().getBoard().getHint();
    ASSERT_NE(hint, nullptr);
    EXPECT_FALSE(hint->isActive()) << "no way on yet";
    stage.frame(ResultsScreen::nextRoundAfterMs);
    EXPECT_TRUE(hint->isActive());
    EXPECT_EQ(hint->getText(), ResultsBoard::hint);
    stage.press(1, slot1, end + ResultsScreen::nextRoundAfterMs, false);
    EXPECT_EQ(match.currentScreen(), static_cast<const Screen*>(&match.getResults())) << "a held key is no new press";
    stage.press(1, slot1, end + ResultsScreen::nextRoundAfterMs);
    EXPECT_EQ(match.currentScreen(), static_cast<const Screen*>(&match.getStory()));
    EXPECT_FALSE(hint->isActive());
    EXPECT_FALSE(stage.arrows().songRun().isStarted());
    stage.press(1, slot1, stage.now(), false);
    EXPECT_FALSE(stage.arrows().songRun().isStarted());
    stage.press(1, slot1, stage.now());
    EXPECT_TRUE(stage.arrows().songRun().isStarted());
}
