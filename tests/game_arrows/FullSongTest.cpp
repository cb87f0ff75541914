#include "ArrowStage.h"

#include "fx/Text.h"
#include "game/ArrowManager.h"
#include "game/Lane.h"

#include <gtest/gtest.h>

#include <numeric>
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

// Presses each note's keys at its beat time on both sides, as a perfect
// player would.
std::vector<Press> botPresses()
{
    std::vector<Press> presses;
    for (const auto& arrow : arrowtest::chartArrows(song)) {
        presses.push_back({arrow.beatMs, 1, actionOf[arrow.lane]});
        presses.push_back({arrow.beatMs, 2, actionOf[arrow.lane]});
    }
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
    const auto presses = botPresses();
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

} // namespace
