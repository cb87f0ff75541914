#include "ArrowPlay.h"

#include "core/ConfigFileParser.h"
#include "flow/Calibration.h"
#include "flow/Match.h"
#include "flow/PlayerSpeeds.h"
#include "game/Arrow.h"
#include "game/PlayerScore.h"
#include "game/TimingSummary.h"
#include "platform/AudioEngine.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>
#include <string>

namespace {

using namespace arrowtest;

// Doubles, "!" pairs, silent steps, both ends of the lanes.
const char* const notes = "8040206010A0B0357000800!20600040B00A8020601040";
constexpr double beatMs = 60000.0 / 128.0;

SoundManager& sound()
{
    return *SoundManager::instance();
}

// Player 1 presses every note due by `songNow`, dated back to its time:
// `tickRate` tick milliseconds per song millisecond.
void pressDue(ArrowStage& stage, const std::vector<ChartArrow>& due, std::size_t& next, double songNow,
              double tickRate)
{
    for (; next < due.size() && due[next].beatMs <= songNow; ++next) {
        const auto msAgo = static_cast<std::uint32_t>(std::lround((songNow - due[next].beatMs) * tickRate));
        stage.arrows().onPlayerAction(1, laneActions[due[next].lane], stage.now() - msAgo);
    }
}

struct PlayRate {
    int fps;
    // Song milliseconds per tick millisecond: a sound clock running fast or slow.
    double songRate;
    // Below the arrows' travel time the first notes are due before the song starts.
    int gapMs;
};

// Plays the chart with player 1 pressing exactly on each beat of the song
// clock: a press falls between two frames and goes down at the tick when the
// song clock passed its beat. Player 2 presses nothing: each of their arrows
// must first show at or above the goal line in the frame after its beat.
class PressTimingTest : public ::testing::TestWithParam<PlayRate> {};

TEST_P(PressTimingTest, ArrowsCrossTheGoalOnTheirBeatsAndExactPressesAreAllGodlike)
{
    const PlayRate run = GetParam();
    const Chart chart{notes, "128.000", run.gapMs, 17000};
    const auto due = chartArrows(chart);
    ArrowStage stage(chart);
    sound().getEngine().setSilentClockRate(run.songRate);
    stage.startSong();
    std::size_t next = 0;
    std::map<const Arrow*, double> crossedAt;
    for (std::uint64_t frame = 0; stage.now() - stage.songStart() <= chart.songMs / run.songRate + 500; ++frame) {
        const auto length = static_cast<std::uint32_t>((frame + 1) * 1000 / run.fps - frame * 1000 / run.fps);
        stage.frame(length, [&] {
            pressDue(stage, due, next, sound().getSongTime(OwnSongStepper::streamName), 1 / run.songRate);
        });
        for (const Arrow* arrow : stage.arrows().fields().getArrows(2)) {
            if (arrow->y >= ArrowStage::goalY && !crossedAt.contains(arrow))
                crossedAt[arrow] = stage.arrows().songRun().now();
        }
    }
    ASSERT_EQ(next, due.size());

    const auto& tally = stage.arrows().judging().scoreOf(1).getTally();
    EXPECT_EQ(tally[0], due.size());
    EXPECT_EQ(std::accumulate(tally.begin(), tally.end(), 0u), due.size());
    for (const double error : stage.arrows().judging().getPressErrors(1))
        EXPECT_LT(std::fabs(error), 2.0);
    const auto& spawned = stage.arrows().fields().getArrows(2);
    ASSERT_EQ(spawned.size(), due.size());
    const double frameSongMs = 1000.0 / run.fps * run.songRate + 1.0;
    for (std::size_t i = 0; i < due.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "arrow " << i);
        EXPECT_EQ(spawned[i]->getLane(), due[i].lane);
        EXPECT_NEAR(spawned[i]->getNoteMs(), due[i].beatMs, 1e-6);
        ASSERT_TRUE(crossedAt.contains(spawned[i]));
        EXPECT_GE(crossedAt[spawned[i]], due[i].beatMs);
        EXPECT_LT(crossedAt[spawned[i]], due[i].beatMs + frameSongMs);
    }
}

INSTANTIATE_TEST_SUITE_P(FrameRatesAndClocks, PressTimingTest,
                         ::testing::Values(PlayRate{20, 1.0, 1500}, PlayRate{30, 1.0, 5500}, PlayRate{60, 1.04, 1500},
                                           PlayRate{60, 0.96, 5500}, PlayRate{20, 1.04, 5500},
                                           PlayRate{500, 1.0, 1500}));

// At another music rate the song clock runs that much faster than the ticks,
// the arrows still cross the goal on their beats, and the judgement windows
// stay in ms of real time: a press 20 ms late is "Godlike", 28 ms late
// "Perfect", at 0.75x as at 1.5x (in song ms these would swap at one rate).
class MusicRateTest : public ::testing::TestWithParam<double> {};

TEST_P(MusicRateTest, ArrowsKeepTheirBeatsAndWindowsStayInRealTime)
{
    const double rate = GetParam();
    const Chart chart{notes, "128.000", 5500, 17000};
    const auto due = chartArrows(chart);
    for (const auto& [lateMs, word] : {std::pair{0.0, 0u}, {20.0, 0u}, {28.0, 1u}}) {
        SCOPED_TRACE(testing::Message() << rate << "x, " << lateMs << " ms late");
        ArrowStage stage(chart);
        sound().setMusicRate(rate);
        stage.startSong();
        std::size_t next = 0;
        std::map<const Arrow*, double> crossedAt;
        while (next < due.size()) {
            stage.frame(16, [&] {
                const double songNow = sound().getSongTime(OwnSongStepper::streamName) - lateMs * rate;
                pressDue(stage, due, next, songNow, 1 / rate);
            });
            for (const Arrow* arrow : stage.arrows().fields().getArrows(2))
                if (arrow->y >= ArrowStage::goalY && !crossedAt.contains(arrow))
                    crossedAt[arrow] = stage.arrows().songRun().now();
        }
        EXPECT_EQ(stage.arrows().judging().scoreOf(1).getTally()[word], due.size());
        for (const double error : stage.arrows().judging().getPressErrors(1))
            EXPECT_NEAR(error, lateMs, 1.5) << "in ms of real time";
        EXPECT_NEAR(stage.now() - stage.songStart(), due.back().beatMs / rate, 16 + lateMs + 1);
        for (const auto& [arrow, songMs] : crossedAt) {
            EXPECT_GE(songMs, arrow->getNoteMs());
            EXPECT_LT(songMs, arrow->getNoteMs() + 16 * rate + 1);
        }
        EXPECT_GT(crossedAt.size(), due.size() / 2);
    }
}

INSTANTIATE_TEST_SUITE_P(SlowerAndFaster, MusicRateTest, ::testing::Values(0.75, 1.5));

TEST(PressTiming, TheOffsetShiftsEveryJudgementByItsMilliseconds)
{
    const Chart chart{notes, "128.000", 1500, 14000};
    ArrowStage stage(chart);
    sound().setGlobalOffset(40.0);
    // Pressing when the device plays each note is 40 ms early for a player
    // who hears the music 40 ms late.
    const auto due = chartArrows(chart);
    stage.startSong();
    std::size_t next = 0;
    while (next < due.size())
        stage.frame(25, [&] { pressDue(stage, due, next, sound().getSongTime(OwnSongStepper::streamName) + 40.0, 1.0); });
    const auto& errors = stage.arrows().judging().getPressErrors(1);
    ASSERT_EQ(errors.size(), due.size());
    for (const double error : errors)
        EXPECT_NEAR(error, -40.0, 1.0);
}

TEST(PressTiming, NothingSpawnsBeforeTheSongStartsOrWithoutATempo)
{
    for (const char* bpm : {"128.000", "", "0", "-120"}) {
        SCOPED_TRACE(bpm);
        ArrowStage stage({"8888", bpm, 0, 3000});
        const bool playable = bpm == std::string("128.000");
        const bool warned = stage.log().find("WARNING: ArrowManager: The step file gives no tempo") != stage.log().npos;
        EXPECT_NE(warned, playable);
        for (int frame = 0; frame < 100; ++frame)
            stage.frame(20);
        EXPECT_TRUE(stage.arrows().fields().getArrows(1).empty());
        // A gap shorter than the travel: the first notes come at once, one step a frame.
        stage.startSong();
        for (int frame = 0; frame < (playable ? 4 : 150); ++frame)
            stage.frame(20);
        EXPECT_EQ(stage.arrows().fields().getArrows(1).size(), playable ? 4u : 0u);
    }
}

TEST(PressTiming, ALongFrameTakesOneStepWhereItsNoteHasGotAndTheScheduleCatchesUp)
{
    ArrowStage stage({"8000800080008", "128.000", 5500, 12000});
    stage.startSong();
    // Up to just before the first step, then one frame over four steps long.
    stage.frame(577);
    EXPECT_TRUE(stage.arrows().fields().getArrows(1).empty());
    stage.frame(1000);
    const auto& arrows = stage.arrows().fields().getArrows(2);
    ASSERT_EQ(arrows.size(), 1u);
    const double expected = ArrowStage::goalY - (arrows[0]->getNoteMs() - stage.arrows().songRun().now()) / beatMs;
    EXPECT_NEAR(arrows[0]->y, expected, 1e-4);
    EXPECT_GT(arrows[0]->y, ArrowStage::spawnY + 1.0f);
    for (int frame = 0; frame < 4; ++frame)
        stage.frame(1);
    EXPECT_EQ(arrows.size(), 2u);
    stage.frame(1);
    EXPECT_EQ(arrows.size(), 2u);
}

TEST(Calibration, TapsMeasureAgainstTheNearestClick)
{
    // Before the first click, the first click is the nearest.
    for (const auto& [tapMs, distance] : {std::pair{1000.0, 0.0}, {1530.0, 30.0}, {1990.0, -10.0}, {900.0, -100.0}})
        EXPECT_DOUBLE_EQ(Calibration::distanceToClick(tapMs), distance) << tapMs;
    const Calibration::Result result = Calibration::measure({30, -200, 20, 25, 35, 40, 15, 300});
    EXPECT_DOUBLE_EQ(result.offsetMs, 27.5);
    EXPECT_DOUBLE_EQ(result.spreadMs, (36.25 - 18.75) / 2.0);
}

// A speed change on the panel is written to the player's own line of the
// configuration and read back at the next start; values that are not speeds
// read as 1x.
TEST(OwnSongSpeed, SpeedsAreKeptInThePlayersSectionOfTheConfiguration)
{
    ArrowStage stage{{"8000", "128.000", 1000, 3000}};
    const std::string before = testsupport::readFile("Conf/global.cfg");
    stage.match().stepSpeed(2, true);
    stage.match().stepSpeed(2, true);
    stage.match().stepSpeed(1, false);
    EXPECT_EQ(stage.match().getSpeeds().of(1).format(), "0.75x");
    EXPECT_EQ(stage.match().getSpeeds().of(2).format(), "1.5x");
    const std::string after = testsupport::readFile("Conf/global.cfg");
    EXPECT_NE(after.find("[Player1]\nName = Kai\nUseJoystick = 0\nScrollSpeed = 0.75x\n"), std::string::npos) << after;
    EXPECT_NE(after.find("ScrollSpeed = 1.5x"), std::string::npos);
    EXPECT_EQ(after.size(), before.size() + 2 * std::string("ScrollSpeed = 0.75x\n").size() - 1);

    const struct {
        const char* value;
        const char* read;
    } values[] = {{"2.25x", "2.25x"}, {"M450", "M450"}, {"fast", "1x"}, {"9x", "1x"}, {"", "1x"}};
    for (const auto& value : values) {
        SCOPED_TRACE(value.value);
        testsupport::ScratchDir scratch;
        scratch.write("global.cfg", std::string("[Player1]\nScrollSpeed = ") + value.value + "\n[Player2]\n");
        // The registry owns it, as every configuration reader.
        auto* config = new ConfigFileParser();
        config->parse("global.cfg");
        PlayerSpeeds speeds("global.cfg");
        speeds.read(*config);
        EXPECT_EQ(speeds.of(1).format(), value.read);
        EXPECT_EQ(speeds.of(2).format(), "1x");
    }
}

// Offset and drift are told apart: a constant offset has no drift, a drift
// of 1 ms per minute around an offset shows as both, and a single stray
// press shows in the farthest distance, not in the spread around the line.
TEST(TimingSummaryTest, TellsOffsetFromDrift)
{
    std::vector<double> notes;
    std::vector<double> offset, drifting, stray;
    for (int i = 0; i <= 100; ++i) {
        const double noteMs = 10000.0 + i * 1200.0;
        notes.push_back(noteMs);
        offset.push_back(i % 2 ? -9.0 : -11.0);
        drifting.push_back(5.0 + (noteMs - 70000.0) / 60000.0);
        stray.push_back(i == 50 ? 20.0 : 0.0);
    }
    const auto constant = TimingSummary::of(notes, offset);
    ASSERT_TRUE(constant);
    EXPECT_EQ(constant->presses, 101u);
    EXPECT_NEAR(constant->meanMs, -10.0, 0.02);
    EXPECT_NEAR(constant->driftMsPerMinute, 0.0, 0.01);
    EXPECT_DOUBLE_EQ(constant->medianMs, 11.0);
    EXPECT_NEAR(constant->spreadP99Ms, 1.0, 0.02);

    const auto sloped = TimingSummary::of(notes, drifting);
    ASSERT_TRUE(sloped);
    EXPECT_NEAR(sloped->meanMs, 5.0, 1e-9);
    EXPECT_NEAR(sloped->driftMsPerMinute, 1.0, 1e-9);
    EXPECT_NEAR(sloped->spreadP99Ms, 0.0, 1e-9);
    EXPECT_NEAR(sloped->farthestFromMeanMs, 1.0, 1e-9);

    const auto once = TimingSummary::of(notes, stray);
    ASSERT_TRUE(once);
    EXPECT_NEAR(once->farthestFromMeanMs, 20.0 - 20.0 / 101.0, 1e-9);
    EXPECT_LT(once->spreadP99Ms, 0.5);
}

TEST(TimingSummaryTest, NoFiguresWithoutPressesOrForUnmatchedLists)
{
    EXPECT_FALSE(TimingSummary::of({}, {}));
    EXPECT_FALSE(TimingSummary::of({1000.0}, {1.0, 2.0}));
    const auto single = TimingSummary::of({1000.0}, {-3.0});
    ASSERT_TRUE(single);
    EXPECT_DOUBLE_EQ(single->driftMsPerMinute, 0.0);
    EXPECT_DOUBLE_EQ(single->p99Ms, 3.0);
}

} // namespace
