#include "ArrowStage.h"

#include "app/AutoplayBot.h"
#include "chart/Chart.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;

// The actions of the chart's lanes (Left, Up, Right, Down).
constexpr std::uint8_t laneActions[] = {4, 1, 2, 3};

// 120 BPM from 1 s on, in 16ths. Each hold ends a quarter beat before the
// next note of its lane: Down, then Left, then Up and Right together.
const char* const holdsThenTaps = "#TITLE:Holds;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n#BPMS:0=120;\n"
                                  "#NOTES:dance-single::Hard:5:0:\n"
                                  "0200\n0000\n0000\n0000\n0300\n0100\n2000\n0000\n"
                                  "3000\n1000\n0022\n0000\n0033\n0011\n0000\n0000\n;\n";

// Plays the exact bot's presses for both players through the match, 16 ms
// frames: each press as a new press stamped at its time, and every frame a
// hold's key stays down, as the input handler repeats it.
void playExactly(ArrowStage& stage)
{
    std::mt19937 random(7);
    const auto presses = AutoplayBot::planChartPresses(stage.arrows().getChartPlayer(1)->getChart(),
                                                       stage.arrows().getChartPlayer(2)->getChart(), laneActions,
                                                       laneActions, random, false);
    stage.startSong();
    for (int frame = 0; frame < 320; ++frame) {
        const double from = stage.arrows().getSongNow();
        const double to = from + 16.0;
        stage.frame(16, [&] {
            for (const AutoplayBot::Press& press : presses) {
                const auto player = static_cast<std::uint8_t>(press.player);
                if (press.songMs > from && press.songMs <= to)
                    stage.press(player, press.key, stage.now() - static_cast<std::uint32_t>(std::lround(to - press.songMs)));
                else if (press.songMs <= from && from < press.releaseMs)
                    stage.press(player, press.key, stage.now(), false);
            }
        });
    }
}

TEST(FairJudging, AKeyHeldThroughAHoldHitsNoArrowArrivingUnderIt)
{
    ArrowStage stage(Chart{"", "128.000", 5500, 9000, holdsThenTaps, {"Hard", "Hard"}});
    ASSERT_TRUE(stage.arrows().playsChart());
    playExactly(stage);
    for (int player = 1; player <= 2; ++player) {
        const auto& tally = stage.arrows().getTally(player);
        EXPECT_EQ(tally[0], 8u) << "player " << player;
        EXPECT_EQ(std::accumulate(tally.begin(), tally.end(), 0u), 8u) << "player " << player;
        EXPECT_EQ(stage.arrows().getChartPlayer(player)->getResults().holdsOk, 4u);
    }
}

// The game's own song judges a key that is down, new or not.
TEST(FairJudging, TheGamesOwnSongJudgesAHeldKey)
{
    ArrowStage stage(Chart{"8", "128.000", 5500, 9000});
    ASSERT_FALSE(stage.arrows().playsChart());
    stage.startSong();
    for (int frame = 0; frame < 400; ++frame) {
        const double from = stage.arrows().getSongNow();
        stage.frame(16, [&] {
            if (from < 5500.0 && 5500.0 <= from + 16.0)
                stage.press(1, 1, stage.now() - static_cast<std::uint32_t>(std::lround(from + 16.0 - 5500.0)), false);
        });
    }
    EXPECT_EQ(stage.arrows().getTally(1)[0], 1u);
}

} // namespace
