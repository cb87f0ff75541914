#include "support/ArrowStage.h"

#include "flow/Match.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/GimmickManager.h"
#include "game/Missile.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;
using arrowtest::down;
using arrowtest::laneActions;
using arrowtest::left;
using arrowtest::slot1;
using arrowtest::up;

constexpr std::uint8_t keyPause = 0x13;

// Beat 0 at 1 s, 120 BPM: four taps half a second apart on "Easy", eight on "Hard".
const char* const pauseSong = "#TITLE:Pause;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n#BPMS:0.000=120.000;\n"
                         "#NOTES:\n     dance-single:\n     :\n     Easy:\n     2:\n     0,0,0,0,0:\n"
                         "1000\n0100\n0010\n0001\n;\n"
                         "#NOTES:\n     dance-single:\n     :\n     Hard:\n     8:\n     0,0,0,0,0:\n"
                         "1000\n0100\n0010\n0001\n,\n1000\n0100\n0010\n0001\n;\n";

const Screen* screen(const Screen& of)
{
    return &of;
}

std::vector<float> heights(ArrowManager& arrows)
{
    std::vector<float> ys;
    for (const Arrow* arrow : arrows.fields().getArrows(1))
        ys.push_back(arrow->y);
    return ys;
}

// 10 ms frames until the song reaches `songMs`; then the players press the
// action, stamped with the moment the song was there.
void pressAt(ArrowStage& stage, double songMs, std::uint8_t action, std::initializer_list<std::uint8_t> players)
{
    for (int frame = 0; frame < 1000 && stage.arrows().songRun().read().songMs < songMs; ++frame)
        stage.frame(10);
    const double late = stage.arrows().songRun().read().songMs - songMs;
    for (const std::uint8_t player : players)
        stage.press(player, action, stage.now() - static_cast<std::uint32_t>(std::lround(late)));
}

// Player 1 presses every arrow of the game's own chart on its beat through
// the match's current screen; `each` runs after every 10 ms frame.
void playOnTheBeat(ArrowStage& stage, const Chart& chart, std::uint32_t frames,
                   const std::function<void(std::uint32_t)>& each)
{
    const auto arrows = arrowtest::chartArrows(chart);
    std::size_t next = 0;
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        stage.frame(10, [&] {
            if (stage.match().isPaused())
                return;
            const double songMs = stage.arrows().songRun().read().songMs;
            for (; next < arrows.size() && arrows[next].beatMs <= songMs; ++next)
                stage.press(1, laneActions[arrows[next].lane],
                            stage.now() - static_cast<std::uint32_t>(std::lround(songMs - arrows[next].beatMs)));
        });
        each(frame);
    }
}

// In a pause the song clock and the arrows stand still and presses judge
// nothing; going on counts in for three seconds, and the song goes on from
// the very moment it stopped: a player pressing on the beat earns only
// "Godlike".
TEST(Pause, TheSongStandsStillAndGoesOnFromTheSameMoment)
{
    const Chart chart{"8040206010A080402060", "128.000", 2000, 9000};
    ArrowStage stage{chart};
    Match& match = stage.match();
    stage.startSong();
    double pausedAt = 0.0;
    std::vector<float> frozen;
    playOnTheBeat(stage, chart, 1200, [&](std::uint32_t frame) {
        if (frame == 250) {
            match.onKey(keyPause);
            ASSERT_EQ(match.currentScreen(), screen(match.getPause()));
            pausedAt = stage.arrows().songRun().now();
            frozen = heights(stage.arrows());
            ASSERT_FALSE(frozen.empty());
            stage.press(1, left, stage.now());
        } else if (frame > 250 && frame < 700) {
            EXPECT_EQ(stage.arrows().songRun().read().songMs, pausedAt);
            EXPECT_EQ(heights(stage.arrows()), frozen);
        }
        if (frame == 400) {
            stage.press(2, down, stage.now());
            stage.press(2, up, stage.now());
            EXPECT_EQ(match.getPause().getChoice(), PauseScreen::Choice::GoOn);
            stage.press(2, slot1, stage.now());
            EXPECT_TRUE(match.getPause().isCountingIn());
        }
        if (frame == 699) {
            EXPECT_TRUE(match.isPaused()) << "three seconds of count-in";
        }
        if (frame == 701) {
            EXPECT_NE(match.currentScreen(), screen(match.getPause()));
            EXPECT_FALSE(match.isPaused());
            EXPECT_NEAR(stage.arrows().songRun().now(), pausedAt + 10.0, 10.0);
        }
    });
    EXPECT_FALSE(match.isPaused());
    EXPECT_EQ(stage.arrows().judging().scoreOf(1).getTally()[0], arrowtest::chartArrows(chart).size());
    EXPECT_EQ(stage.arrows().judging().scoreOf(1).getTally()[4], 0u) << "the press in the pause judged nothing";
    EXPECT_NE(stage.log().find("Match: Paused at"), std::string::npos);
}

// A missile's block lasts its time in play: a pause, however long, does not
// wear it out, and after the pause it holds the lane for what it had left.
TEST(Pause, AMissilesBlockHoldsThroughAPause)
{
    ArrowStage stage{Chart{"8040206010A080402060", "128.000", 2000, 20000}};
    Match& match = stage.match();
    stage.startSong();
    for (int frame = 0; frame < 100; ++frame)
        stage.frame(10);
    Missile* missile = GimmickManager::instance()->launchInLane(1, 0, 2);
    ASSERT_TRUE(missile);
    missile->explodeWithBlock(2000);
    ASSERT_TRUE(missile->isBlocking());
    for (int frame = 0; frame < 50; ++frame)
        stage.frame(10);
    match.onKey(keyPause);
    for (int frame = 0; frame < 600; ++frame)
        stage.frame(10);
    stage.press(2, slot1, stage.now());
    for (int frame = 0; frame < 301 && match.isPaused(); ++frame)
        stage.frame(10);
    ASSERT_FALSE(match.isPaused());
    for (int frame = 0; frame < 140; ++frame)
        stage.frame(10);
    EXPECT_TRUE(missile->isBlocking()) << "the block wore out in the pause";
    for (int frame = 0; frame < 20; ++frame)
        stage.frame(10);
    EXPECT_FALSE(missile->isBlocking()) << "the block outlasted its time in play";
}

// "Start the song again" and "Back to the songs" leave the round: it sets no
// record, and the song starts afresh or the song panel shows.
TEST(Pause, LeavingARoundSetsNoRecord)
{
    ArrowStage stage{Chart{"", "120.000", 1000, 9000, pauseSong, {"Easy", "Hard"}}};
    Match& match = stage.match();
    match.scanLibrary();
    stage.startSong();
    pressAt(stage, 1000.0, left, {1, 2});
    ASSERT_EQ(stage.arrows().judging().scoreOf(1).getTally()[0], 1u);

    match.onKey(keyPause);
    stage.press(1, down, stage.now());
    ASSERT_EQ(match.getPause().getChoice(), PauseScreen::Choice::StartAgain);
    stage.press(1, slot1, stage.now());
    EXPECT_NE(match.currentScreen(), screen(match.getStory()));
    EXPECT_NE(match.currentScreen(), screen(match.getPause()));
    EXPECT_FALSE(match.isPaused());
    EXPECT_TRUE(stage.arrows().songRun().isStarted());
    EXPECT_EQ(stage.arrows().judging().scoreOf(1).getTally()[0], 0u);
    EXPECT_EQ(stage.points(1), 0u);
    stage.frame(10);
    EXPECT_LT(stage.arrows().songRun().now(), 100.0) << "from the start, lead-in and all";
    pressAt(stage, 1000.0, left, {1, 2});
    EXPECT_EQ(stage.arrows().judging().scoreOf(1).getTally()[0], 1u);

    match.onKey(keyPause);
    stage.press(1, up, stage.now());
    ASSERT_EQ(match.getPause().getChoice(), PauseScreen::Choice::BackToSongs);
    stage.press(1, slot1, stage.now());
    EXPECT_EQ(match.currentScreen(), screen(match.getStory()));
    EXPECT_FALSE(stage.arrows().songRun().isStarted());
    EXPECT_EQ(match.getStory().bestText(1), "none");
    EXPECT_EQ(match.getStory().bestText(2), "none");
    EXPECT_NE(stage.log().find("Match: Back to the songs; the round left sets no record"), std::string::npos);
}

// The bot's rounds are no player's records; the player beside it keeps theirs.
TEST(Pause, RoundsTheBotPlayedSetNoRecord)
{
    Match::setBotPlayers({true, false});
    ArrowStage stage{Chart{"", "120.000", 1000, 9000, pauseSong, {"Easy", "Hard"}}};
    Match& match = stage.match();
    match.scanLibrary();
    stage.startSong();
    pressAt(stage, 1000.0, left, {1, 2});
    for (int frame = 0; frame < 2000 && !stage.arrows().songEnd().isOver(); ++frame)
        stage.frame(10);
    ASSERT_TRUE(stage.arrows().songEnd().isOver());
    stage.frame(10);
    match.startNewRound();
    EXPECT_EQ(match.getStory().bestText(1), "none");
    EXPECT_NE(match.getStory().bestText(2), "none");
}

} // namespace
