#include "support/ArrowStage.h"

#include "app/AutoplayBot.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;

constexpr std::uint8_t laneActions[] = {4, 1, 2, 3};
constexpr double frameMs = 16.0;

// 120 BPM, the music starting a second after beat 0: the first note lies a
// second before the music, the next ones at its start and after it.
const char* const early = "#TITLE:Early;\n#MUSIC:music.wav;\n#OFFSET:1.000;\n#BPMS:0=120;\n"
                          "#NOTES:dance-single::Hard:5:0:\n1000\n0100\n0010\n0001\n,\n1000\n0000\n0000\n0000\n;\n";

// An arrow rises 10.5 units from the spawn line at 1x, 5250 ms at 120 BPM:
// the first note's arrow lacks 6250 ms, and the lead-in gives a second more.
constexpr double leadInMs = 6250.0 + ChartPlayer::leadInMarginMs;

} // namespace

// The song clock starts before the music: every arrow rises from the spawn
// line, the clock runs on evenly through the music's start, which is heard
// at its own time on the clock (the play begins within a frame of song time
// 0, from as far into the music as the clock has passed), and the exact
// presses, the first during the lead-in, are all "Godlike".
TEST(LeadIn, EarlyNotesRiseFromTheSpawnLineAndAreHitBeforeTheMusic)
{
    ArrowStage stage(Chart{"", "128.000", 5500, 6000, early, {"Hard", "Hard"}});
    ASSERT_TRUE(stage.arrows().getSong() != nullptr);
    std::mt19937 random(3);
    const auto presses = AutoplayBot::planChartPresses(stage.arrows().getChartPlayer(1)->getChart(),
                                                       stage.arrows().getChartPlayer(2)->getChart(), laneActions,
                                                       laneActions, random, false);
    SoundManager* sound = SoundManager::instance();
    stage.startSong(true);
    stage.frame(0);
    EXPECT_NEAR(stage.arrows().songRun().now(), -leadInMs, 0.5);
    EXPECT_NE(stage.log().find("SongClock: A lead-in of 7250 ms before the music"), std::string::npos);

    std::set<const Arrow*> seen;
    double to = stage.arrows().songRun().now();
    std::optional<double> musicFrom;
    for (int frame = 0; frame < 700; ++frame) {
        const double from = to;
        to = from + frameMs;
        stage.frame(static_cast<std::uint32_t>(frameMs), [&] {
            for (const AutoplayBot::Press& press : presses)
                if (press.songMs > from && press.songMs <= to)
                    stage.press(static_cast<std::uint8_t>(press.player), press.key,
                                stage.now() - static_cast<std::uint32_t>(std::lround(to - press.songMs)));
        });
        const double songNow = stage.arrows().songRun().now();
        ASSERT_NEAR(songNow, to, 0.1) << "the clock runs evenly, frame " << frame;
        for (const Arrow* arrow : stage.arrows().fields().getArrows(1)) {
            if (seen.insert(arrow).second) {
                EXPECT_NEAR(arrow->y, ArrowStage::spawnY, 0.04) << "the arrow of the note at " << arrow->getNoteMs();
            }
        }
        const double played = sound->getSongTime(ChartPlayer::streamName);
        if (songNow < 0.0) {
            ASSERT_EQ(played, 0.0) << "music before its time, at song time " << songNow;
        } else if (!musicFrom) {
            musicFrom = songNow - played;
            EXPECT_GE(*musicFrom, 0.0);
            EXPECT_LT(*musicFrom, frameMs) << "the music began more than a frame late";
        } else {
            EXPECT_NEAR(songNow - played, *musicFrom, 0.1) << "the music follows the clock";
        }
    }
    EXPECT_EQ(seen.size(), 5u);
    for (int player = 1; player <= 2; ++player)
        EXPECT_EQ(stage.arrows().judging().scoreOf(player).getTally()[0], 5u) << "player " << player;
}

// The game's own song, and a player's song whose first arrow has the time,
// start with the music.
TEST(LeadIn, SongsWhoseArrowsHaveTheTimeStartWithTheMusic)
{
    const char* const late = "#TITLE:Late;\n#MUSIC:music.wav;\n#OFFSET:-6.000;\n#BPMS:0=120;\n"
                             "#NOTES:dance-single::Hard:5:0:\n1000\n;\n";
    for (const char* song : {"", late}) {
        ArrowStage stage(Chart{"8", "128.000", 5500, 9000, song, {"Hard", "Hard"}});
        stage.startSong();
        stage.frame(static_cast<std::uint32_t>(frameMs));
        EXPECT_NEAR(stage.arrows().songRun().now(), frameMs, 0.1) << (*song ? "player's song" : "game's own song");
        EXPECT_EQ(stage.log().find("lead-in"), std::string::npos);
    }
}
