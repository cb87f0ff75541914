#include "ArrowStage.h"

#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/Calibration.h"
#include "platform/AudioEngine.h"
#include "sound/Sound.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;

// A gap shorter than the arrows' travel: the first notes are due before the
// song starts and must still arrive on their beats.
const Chart chart{"8040206010A0B0357000800!20600040B00A8020601040", "128.000", 1500, 14000};
constexpr double beatMs = 60000.0 / 128.0;
constexpr std::uint8_t actionOf[] = {4, 1, 2, 3};

SoundManager& sound()
{
    return *SoundManager::instance();
}

struct PlayRate {
    int fps;
    // Song milliseconds per tick millisecond: a sound clock running fast or slow.
    double songRate;
};

class PressTimingTest : public ::testing::TestWithParam<PlayRate> {
protected:
    // Plays the chart with player 1 pressing exactly on each beat of the
    // song clock: a press falls between two frames and goes down at the tick
    // when the song clock passed its beat. Records for each arrow the song
    // time of the first frame that shows it at or above the goal line.
    void play(ArrowStage& stage, const PlayRate& run, double heardLateMs = 0.0)
    {
        sound().getEngine().setSilentClockRate(run.songRate);
        const auto notes = arrowtest::chartArrows(chart);
        stage.startSong();
        std::size_t next = 0;
        for (std::uint64_t frame = 0; next < notes.size() || frame < 2000; ++frame) {
            const auto length = static_cast<std::uint32_t>((frame + 1) * 1000 / run.fps - frame * 1000 / run.fps);
            stage.frame(length, [&] {
                const double songNow = sound().getSongTime(ArrowManager::streamName);
                for (; next < notes.size() && notes[next].beatMs + heardLateMs <= songNow; ++next) {
                    const double msAgo = (songNow - notes[next].beatMs - heardLateMs) / run.songRate;
                    stage.arrows().onPlayerAction(1, actionOf[notes[next].lane],
                                                  stage.now() - static_cast<std::uint32_t>(std::lround(msAgo)), true);
                }
            });
            noteCrossings(stage);
            if (stage.now() - stage.songStart() > static_cast<std::uint32_t>(chart.songMs / run.songRate) + 500)
                break;
        }
        ASSERT_EQ(next, notes.size());
    }

    void noteCrossings(ArrowStage& stage)
    {
        const double songNow = stage.arrows().getSongNow();
        for (const Arrow* arrow : stage.arrows().getArrows(2)) {
            if (arrow->y >= ArrowStage::goalY && !crossedAt.contains(arrow))
                crossedAt[arrow] = {songNow, arrow->getNoteMs()};
        }
    }

    // Per arrow: the song time it was first seen at the goal line, and its note's.
    std::map<const Arrow*, std::pair<double, double>> crossedAt;
};

TEST_P(PressTimingTest, ArrowsFollowTheSongClockAndExactPressesAreAllGodlike)
{
    const PlayRate run = GetParam();
    ArrowStage stage(chart);
    play(stage, run);

    const std::size_t arrowCount = arrowtest::chartArrows(chart).size();
    const auto& tally = stage.arrows().getTally(1);
    EXPECT_EQ(tally[0], arrowCount);
    EXPECT_EQ(std::accumulate(tally.begin(), tally.end(), 0u), arrowCount);
    for (const double error : stage.arrows().getPressErrors(1))
        EXPECT_LT(std::fabs(error), 2.0);

    ASSERT_EQ(crossedAt.size(), arrowCount);
    const double frameSongMs = 1000.0 / run.fps * run.songRate + 1.0;
    for (const auto& [arrow, times] : crossedAt) {
        EXPECT_GE(times.first, times.second);
        EXPECT_LT(times.first, times.second + frameSongMs);
    }
}

INSTANTIATE_TEST_SUITE_P(FrameRatesAndClocks, PressTimingTest,
                         ::testing::Values(PlayRate{20, 1.0}, PlayRate{30, 1.0}, PlayRate{60, 1.04}, PlayRate{60, 0.96}, PlayRate{20, 1.04}));

TEST(PressTiming, TheOffsetShiftsEveryJudgementByItsMilliseconds)
{
    ArrowStage stage(chart);
    sound().setGlobalOffset(40.0);
    // Pressing when the device plays each note is 40 ms early for a player
    // who hears the music 40 ms late.
    const auto notes = arrowtest::chartArrows(chart);
    stage.startSong();
    std::size_t next = 0;
    while (next < notes.size()) {
        stage.frame(25, [&] {
            const double deviceNow = sound().getSongTime(ArrowManager::streamName) + 40.0;
            for (; next < notes.size() && notes[next].beatMs <= deviceNow; ++next)
                stage.arrows().onPlayerAction(
                    1, actionOf[notes[next].lane],
                    stage.now() - static_cast<std::uint32_t>(std::lround(deviceNow - notes[next].beatMs)), true);
        });
    }
    const auto& errors = stage.arrows().getPressErrors(1);
    ASSERT_EQ(errors.size(), notes.size());
    for (const double error : errors)
        EXPECT_NEAR(error, -40.0, 1.0);
}

TEST(PressTiming, AStalledSongClockHoldsTheArrows)
{
    ArrowStage stage({"8888888888888888", "128.000", 5500, 12000});
    stage.startSong();
    for (int frame = 0; frame < 60; ++frame)
        stage.frame(20);
    const auto& arrows = stage.arrows().getArrows(1);
    ASSERT_GE(arrows.size(), 3u);
    std::vector<float> heights;
    for (const Arrow* arrow : arrows)
        heights.push_back(arrow->y);

    // An underrun: the device stops for 200 ms while the frames go on.
    sound().getEngine().setSilentClockRate(0.0);
    for (int frame = 0; frame < 10; ++frame)
        stage.frame(20);
    ASSERT_EQ(arrows.size(), heights.size());
    for (std::size_t i = 0; i < heights.size(); ++i)
        EXPECT_EQ(arrows[i]->y, heights[i]) << i;

    sound().getEngine().setSilentClockRate(1.0);
    stage.frame(20);
    EXPECT_NEAR(arrows[0]->y - heights[0], 20.0 / beatMs, 1e-4);
}

TEST(PressTiming, ALateStepAppearsWhereItsNoteHasGot)
{
    ArrowStage stage({"8000800080008", "128.000", 5500, 12000});
    stage.startSong();
    stage.frame(577);
    // One frame four steps long: the step taken late is already on its way.
    stage.frame(1000);
    const auto& arrows = stage.arrows().getArrows(1);
    ASSERT_EQ(arrows.size(), 1u);
    const double expected = ArrowStage::goalY - (arrows[0]->getNoteMs() - stage.arrows().getSongNow()) / beatMs;
    EXPECT_NEAR(arrows[0]->y, expected, 1e-4);
    EXPECT_GT(arrows[0]->y, ArrowStage::spawnY + 1.0f);
}

TEST(PressTiming, OnlyGodlikeCallsTheAnnouncer)
{
    ArrowStage stage({"", "128.000", 5500, 10000});
    sound().addSound("Data/Music/coconut.wav", "Godlike");
    const Sound* announcer = sound().find("Godlike");
    ASSERT_NE(announcer, nullptr);
    for (const float quality : {0.95f, 0.9f, 0.8f, 0.7f})
        stage.arrows().judge(quality, 1);
    EXPECT_EQ(announcer->getChannel(), -1);
    stage.arrows().judge(0.96f, 2);
    EXPECT_GE(announcer->getChannel(), 0);
}

TEST(Calibration, TapsMeasureAgainstTheNearestClick)
{
    EXPECT_DOUBLE_EQ(Calibration::distanceToClick(1000.0), 0.0);
    EXPECT_DOUBLE_EQ(Calibration::distanceToClick(1530.0), 30.0);
    EXPECT_DOUBLE_EQ(Calibration::distanceToClick(1990.0), -10.0);
    // Before the first click, the first click is the nearest.
    EXPECT_DOUBLE_EQ(Calibration::distanceToClick(900.0), -100.0);
    const Calibration::Result result = Calibration::measure({30, -200, 20, 25, 35, 40, 15, 300});
    EXPECT_DOUBLE_EQ(result.offsetMs, 27.5);
    EXPECT_DOUBLE_EQ(result.spreadMs, (36.25 - 18.75) / 2.0);
}

} // namespace
