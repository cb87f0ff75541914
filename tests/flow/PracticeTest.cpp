#include "support/ArrowStage.h"

#include "chart/Chart.h"
#include "flow/Match.h"
#include "fx/Text.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/PlayerScore.h"
#include "game/PracticeLoop.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;
using arrowtest::laneActions;

// Beat 0 at 1 s, 120 BPM: four measures of four quarter notes, measure n
// (from 0) from 1000 + 2000 n ms. Columns: Left, Down, Up, Right.
const char* const loopSong = "#TITLE:Loop;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n#BPMS:0.000=120.000;\n"
                         "#NOTES:\n     dance-single:\n     :\n     Hard:\n     8:\n     0,0,0,0,0:\n"
                         "1000\n0100\n0010\n0001\n,\n1000\n0100\n0010\n0001\n,\n"
                         "1100\n0100\n0010\n0001\n,\n1000\n0100\n0010\n0011\n;\n";
constexpr std::uint32_t frameMs = 16;

std::vector<std::uint32_t> tallyOf(ArrowStage& stage, int player)
{
    const PlayerScore& score = stage.arrows().judging().scoreOf(player);
    const auto& tally = score.getTally();
    return {tally[0], tally[1] + tally[2] + tally[3] + tally[4], score.getMisses()};
}

// Frames until the practice has started `passes` passes, player 1 pressing
// exactly on every note of the loop and player 2 on none. Each new pass
// restarts the clock at the pass's start, with no arrow of the last pass in
// the field.
void practise(ArrowStage& stage, int passes, double rate)
{
    const PracticeScreen& practice = stage.match().getPractice();
    const chart::Chart& part = stage.arrows().getChartPlayer(1)->getChart();
    for (int frame = 0; frame < 5000 && practice.getPasses() < passes; ++frame) {
        const int before = practice.getPasses();
        const double from = stage.arrows().songRun().read().songMs;
        const double to = from + frameMs * rate;
        stage.frame(frameMs, [&] {
            for (const chart::Note& note : part.notes) {
                const double noteMs = part.tempo.msAt(note.beat.value());
                if (noteMs > from && noteMs <= to)
                    stage.press(1, laneActions[note.lane],
                                stage.now() - static_cast<std::uint32_t>(std::lround((to - noteMs) / rate)));
            }
        });
        if (practice.getPasses() == before)
            continue;
        ASSERT_TRUE(stage.arrows().fields().getArrows(1).empty()) << "an arrow of the last pass is left";
        ASSERT_TRUE(stage.arrows().fields().getArrows(2).empty()) << "an arrow of the last pass is left";
        stage.frame(0);
        ASSERT_NEAR(stage.arrows().songRun().now(), practice.getPassStartMs(), 0.5) << "the clock restarts";
    }
    ASSERT_EQ(practice.getPasses(), passes);
}

} // namespace

// Measures 2 and 3 on a loop at 1.5x: every pass starts before the loop's
// first note, player 1's exact presses are "Godlike" in every pass, player
// 2's untouched arrows are missed once each, and no arrow is judged twice.
// Escape shows the passes' results, which set no record; Escape again goes
// back to the panel with the whole song.
TEST(Practice, ALoopPlaysPassAfterPassAndLeavesNoRecord)
{
    ArrowStage stage{Chart{"", "120.000", 1000, 11000, loopSong, {"Hard", "Hard"}}};
    SoundManager::instance()->setMusicRate(1.5);
    stage.match().scanLibrary();
    stage.match().showPractice();
    ASSERT_EQ(stage.match().currentScreen(), &stage.match().getPractice());
    PracticeScreen& practice = const_cast<PracticeScreen&>(stage.match().getPractice());
    ASSERT_EQ(practice.getLoop()->measureCount(), 4);
    ASSERT_TRUE(practice.choose(1, 2));
    EXPECT_DOUBLE_EQ(practice.getLoop()->startMs(), 3000.0);
    EXPECT_DOUBLE_EQ(practice.getLoop()->endMs(), 7000.0);
    EXPECT_EQ(practice.getLoop()->measureText(2, stage.arrows().getChartPlayer(1)->getChart()), "LD D U R");

    stage.press(1, 5, stage.now());
    ASSERT_TRUE(practice.isPlaying());
    stage.match().draw(); // the practice's line over the play
    EXPECT_EQ(stage.arrows().getChartPlayer(1)->getChart().notes.size(), 9u);
    EXPECT_LT(practice.getPassStartMs(), 3000.0 - 2000.0 * 1.5);
    practise(stage, 3, 1.5);
    EXPECT_EQ(tallyOf(stage, 1), (std::vector<std::uint32_t>{18, 0, 0}));
    EXPECT_EQ(tallyOf(stage, 2), (std::vector<std::uint32_t>{0, 0, 18}));

    ASSERT_TRUE(stage.match().takeEscape());
    ASSERT_EQ(stage.match().currentScreen(), &stage.match().getResults());
    EXPECT_TRUE(stage.match().getResults().isPractice());
    stage.frame(frameMs);
    EXPECT_EQ(stage.match().getResults().getBoard().getColumn(1)[0]->getText(), "Godlike      18");
    EXPECT_EQ(stage.match().getResults().getBoard().getPlot(1)->pressCount(), 18u);
    stage.match().getRecords().flush();
    EXPECT_FALSE(stage.match().getRecords().isNewRecord(1));
    ASSERT_TRUE(stage.match().takeEscape());
    EXPECT_EQ(stage.match().currentScreen(), &stage.match().getStory());
    EXPECT_EQ(stage.match().getStory().bestText(1), "none");
    EXPECT_EQ(stage.arrows().getChartPlayer(1)->getChart().notes.size(), 18u) << "the whole song again";
}

// The loop's edges: the first measure starts with a lead-in before the
// music, the last ends with the song's last note; an end past the song is
// clamped and an end before the start refused, each with a line, on the
// screen and in the log.
TEST(Practice, TheFirstAndLastMeasuresLoopAndBadEndsAreClampedOrRefused)
{
    ArrowStage stage{Chart{"", "120.000", 1000, 11000, loopSong, {"Hard", "Hard"}}};
    stage.match().scanLibrary();
    stage.match().showPractice();
    PracticeScreen& practice = const_cast<PracticeScreen&>(stage.match().getPractice());
    EXPECT_FALSE(practice.choose(2, 9));
    EXPECT_EQ(practice.getProblem(), "Practice: The song ends with measure 4; the loop ends there");
    EXPECT_EQ(practice.getLoop()->last(), 3);
    EXPECT_FALSE(practice.choose(3, 1));
    EXPECT_EQ(practice.getLoop()->first(), 2);
    EXPECT_FALSE(practice.choose(4, 4));
    // Down below the first measure, by the players' keys.
    ASSERT_TRUE(practice.choose(0, 0));
    stage.press(2, 3, stage.now());
    EXPECT_EQ(practice.getLoop()->last(), 0);
    EXPECT_EQ(practice.getProblem(),
              "Practice: The loop's end (measure 0) cannot come before its start (measure 1); the loop stays as it was");
    EXPECT_NE(stage.log().find(practice.getProblem()), std::string::npos);

    stage.press(1, 6, stage.now());
    EXPECT_LT(practice.getPassStartMs(), 0.0) << "a lead-in before the music";
    practise(stage, 3, 1.0);
    EXPECT_EQ(tallyOf(stage, 1), (std::vector<std::uint32_t>{8, 0, 0}));
    EXPECT_EQ(tallyOf(stage, 2), (std::vector<std::uint32_t>{0, 0, 8}));

    ASSERT_TRUE(stage.match().takeEscape());
    stage.match().startNewRound();
    stage.match().showPractice();
    ASSERT_TRUE(practice.choose(3, 3));
    stage.press(1, 5, stage.now());
    practise(stage, 3, 1.0);
    EXPECT_EQ(tallyOf(stage, 1), (std::vector<std::uint32_t>{10, 0, 0}));
    EXPECT_EQ(tallyOf(stage, 2), (std::vector<std::uint32_t>{0, 0, 10}));
}

// A hold started in the loop keeps the pass going to its end; open arrows
// keep it at most `longestTailMs` (in song time) longer; the music's end
// ends it at once. 120 BPM from the music's start: a beat is 500 ms.
TEST(Practice, APassEndsAfterTheHoldsStartedInTheLoop)
{
    chart::Chart chart;
    chart.notes = {{chart::Beat(3), chart::Beat(6), LaneLeft, chart::NoteKind::Hold},
                   {chart::Beat(4), chart::Beat(4), LaneUp, chart::NoteKind::Tap}};
    PracticeLoop loop({&chart, &chart});
    std::string problem;
    ASSERT_TRUE(loop.choose(0, 0, problem)) << problem;
    EXPECT_EQ(loop.cut(chart).notes.size(), 1u) << "the tap of measure 2 is left out";
    EXPECT_DOUBLE_EQ(loop.endMs(), 2000.0);
    EXPECT_FALSE(loop.passOver(2500.0, false, false, 1.5)) << "the hold runs to 3000 ms";
    EXPECT_TRUE(loop.passOver(3000.0, false, false, 1.5));
    EXPECT_FALSE(loop.passOver(3000.0 + PracticeLoop::longestTailMs * 1.5 - 1.0, true, false, 1.5));
    EXPECT_TRUE(loop.passOver(3000.0 + PracticeLoop::longestTailMs * 1.5, true, false, 1.5));
    EXPECT_TRUE(loop.passOver(100.0, true, true, 1.5));
}
