#include "ArrowStage.h"

#include "fx/Text.h"
#include "game/ArrowManager.h"
#include "game/Lane.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;

constexpr int frameRate = 60;
const Chart song{"8040206010A0B0357000800!20600040B00A8020601040", "128.000", 5500, 18000};

// One press of the bot: when (song clock, ms), who, which direction action.
struct Press {
    double at;
    std::uint8_t player;
    std::uint8_t action;
};

// The direction action of each lane: Left, Up, Right, Down.
constexpr std::uint8_t actionOf[] = {4, 1, 2, 3};

// Presses each note's keys at its beat time, as a player listening to the
// music would: player 2 off by a normal spread when `spreadMs` is not 0.
std::vector<Press> botPresses(double spreadMs)
{
    std::mt19937 random(20261206);
    std::normal_distribution<double> offset(0.0, spreadMs > 0.0 ? spreadMs : 1.0);
    std::vector<Press> presses;
    double lastBeat = -1.0;
    double late = 0.0;
    for (const auto& arrow : arrowtest::chartArrows(song)) {
        // Both keys of a double step come together.
        if (arrow.beatMs != lastBeat && spreadMs > 0.0)
            late = std::clamp(offset(random), -3 * spreadMs, 3 * spreadMs);
        lastBeat = arrow.beatMs;
        presses.push_back({arrow.beatMs, 1, actionOf[arrow.lane]});
        presses.push_back({arrow.beatMs + late, 2, actionOf[arrow.lane]});
    }
    std::stable_sort(presses.begin(), presses.end(), [](const Press& a, const Press& b) { return a.at < b.at; });
    return presses;
}

// Plays the whole song at 60 frames per second; a press lands on the first
// frame at or after its time, before the arrow manager's update.
void play(ArrowStage& stage, const std::vector<Press>& presses)
{
    stage.startSong();
    std::size_t next = 0;
    for (std::uint64_t frame = 0; stage.now() - stage.songStart() < song.songMs + 500u; ++frame) {
        const auto length = static_cast<std::uint32_t>((frame + 1) * 1000 / frameRate - frame * 1000 / frameRate);
        stage.frame(length, [&] {
            const double songTime = stage.now() - stage.songStart();
            for (; next < presses.size() && presses[next].at <= songTime; ++next)
                stage.arrows().onPlayerAction(presses[next].player, presses[next].action);
        });
    }
    ASSERT_EQ(next, presses.size());
}

TEST(FullSongTest, PerfectBotsOnBothSidesTie)
{
    const auto presses = botPresses(0.0);
    const std::size_t arrowCount = presses.size() / 2;
    ArrowStage stage(song);
    play(stage, presses);

    for (int player = 1; player <= 2; ++player) {
        SCOPED_TRACE(player);
        EXPECT_TRUE(stage.arrows().getArrows(player).empty());
        const auto& tally = stage.arrows().getTally(player);
        EXPECT_EQ(tally[0], arrowCount);
        EXPECT_EQ(std::accumulate(tally.begin(), tally.end(), 0u), arrowCount);
        EXPECT_EQ(stage.points(player), 800u * arrowCount);
    }
    EXPECT_EQ(stage.arrows().getWinnerText()->getText(), "Noone won!");
    const std::string log = stage.log();
    const std::string total = std::to_string(800u * arrowCount);
    const auto line = log.find("ArrowManager: Song over. Player 1: " + total + " points");
    ASSERT_NE(line, std::string::npos);
    EXPECT_NE(log.find("Player 2: " + total + " points", line), std::string::npos);
    EXPECT_NE(log.find("winner: Noone \n", line), std::string::npos);
    EXPECT_EQ(log.find("ArrowManager: Song over", line + 1), std::string::npos);
    // Once per song, after the totals; the silent output never underruns.
    const auto underruns = log.find("NOTICE: SoundManager: Audio underruns during the song: 0 \n", line);
    EXPECT_NE(underruns, std::string::npos);
    EXPECT_EQ(log.find("Audio underruns", log.find('\n', underruns)), std::string::npos);
}

TEST(FullSongTest, ASpreadOnPlayerTwoLetsPlayerOneWin)
{
    const auto presses = botPresses(40.0);
    const std::size_t arrowCount = presses.size() / 2;
    ArrowStage stage(song);
    play(stage, presses);

    EXPECT_EQ(stage.points(1), 800u * arrowCount);
    EXPECT_LT(stage.points(2), stage.points(1));
    EXPECT_GT(stage.points(2), 0u);
    const auto& tally = stage.arrows().getTally(2);
    EXPECT_EQ(std::accumulate(tally.begin(), tally.end(), 0u), arrowCount);
    EXPECT_EQ(stage.arrows().getWinnerText()->getText(), "Kai won!");
    EXPECT_NE(stage.log().find("winner: Kai \n"), std::string::npos);
}

} // namespace
