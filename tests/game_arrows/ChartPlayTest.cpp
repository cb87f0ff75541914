#include "support/ArrowStage.h"

#include "flow/Match.h"
#include "fx/Text.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/PlayerManager.h"
#include "library/SongSelection.h"
#include "scene/Dancer.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numeric>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;

// Beat 0 at 1 s, 120 BPM, a stop of 0.5 s on beat 4, 240 BPM from beat 8.
// Columns: Left, Down, Up, Right. A hold on Down (beats 1-3), a mine on
// Left (beat 6), a jump (beat 7), a roll on Left (beats 10-11).
const char* const song = "#TITLE:Test;\n#ARTIST:Us;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n"
                         "#BPMS:0.000=120.000,8.000=240.000;\n#STOPS:4.000=0.500;\n"
                         "#NOTES:\n     dance-single:\n     :\n     Hard:\n     9:\n     0,0,0,0,0:\n"
                         "1000\n0200\n0000\n0300\n,\n0001\n0010\nM000\n1001\n,\n"
                         "0100\n0010\n4000\n3000\n,\n0001\n0000\n0000\n0000\n;\n";

// The song time of each note, and the press of each lane (Left, Up, Right, Down).
struct Step {
    double ms;
    std::uint8_t action;
    double releaseMs;
};
constexpr std::uint8_t left = 4, up = 1, right = 2, down = 3;
const Step steps[] = {{1000, left, 0},  {1500, down, 2530}, {3000, right, 0}, {4000, up, 0},   {5000, left, 0},
                      {5000, right, 0}, {5500, down, 0},    {5750, up, 0},    {6000, left, 6280}, {6500, right, 0}};

class ChartPlayTest : public ::testing::Test {
protected:
    // 30 frames a second; `each` runs before every frame's update with the
    // song time of the frame's start and its end.
    void play(const std::function<void(double from, double to)>& each)
    {
        stage.startSong();
        for (int frame = 0; frame < 300; ++frame) {
            const double from = stage.arrows().songRun().now();
            stage.frame(33, [&] { each(from, from + 33.0); });
        }
    }

    // Player `player` presses each listed step exactly on its time and keeps
    // holds down to their ends.
    void pressExactly(int player, double from, double to, const std::vector<Step>& chosen)
    {
        for (const Step& step : chosen) {
            if (step.ms > from && step.ms <= to)
                stage.arrows().onPlayerAction(static_cast<std::uint8_t>(player), step.action,
                                              stage.now() - static_cast<std::uint32_t>(std::lround(to - step.ms)));
            else if (step.releaseMs > 0 && step.ms <= from && from < step.releaseMs)
                stage.arrows().onPlayerAction(static_cast<std::uint8_t>(player), step.action, stage.now(), false);
        }
    }

    ArrowStage stage{Chart{"", "128.000", 5500, 9000, song, {"hard", "Hard"}}};
};

// Player 1 presses every step exactly and keeps the holds; player 2 taps the
// hold's head and lets go at once, stands on Left through the mine, then hits
// the jump. The results show holds and mines; the next round rebuilds the
// chart players and scores the same play the same.
TEST_F(ChartPlayTest, HoldsMinesTempoChangesAndStopsScoreAndTheNextRoundCountsAfresh)
{
    ASSERT_TRUE(stage.arrows().getSong() != nullptr);
    auto* dancer = new Dancer();
    ObjectGraph::find()->addNode(dancer, "Dancer");
    stage.arrows().setDancer(dancer);
    std::vector<std::int32_t> movesAfterLeft;
    std::vector<float> duringStop;
    std::string wordAfterMine;
    const auto bothPlay = [&](double from, double to) {
        if (from > 1000 && from < 1150)
            movesAfterLeft.push_back(dancer->getModel().firstFrame());
        pressExactly(1, from, to, {std::begin(steps), std::end(steps)});
        // The right arrow of beat 12 during the stop (3 s to 3.5 s).
        if (from > 3050 && to < 3450 && !stage.arrows().fields().getArrows(1).empty())
            duringStop.push_back(stage.arrows().fields().getArrows(1).back()->y);
        pressExactly(2, from, to, {{1500, down, 0}});
        if (from >= 4400 && from < 4600)
            stage.arrows().onPlayerAction(2, left, stage.now());
        if (from >= 4600 && wordAfterMine.empty())
            wordAfterMine = stage.arrows().texts().quality(2)->getText();
        pressExactly(2, from, to, {{5000, left, 0}, {5000, right, 0}});
    };
    const auto column = [&] {
        std::vector<std::string> lines;
        for (const Text* text : stage.match().getResults().getBoard().getColumn(2))
            lines.push_back(text->isActive() ? text->getText() : "(hidden)");
        return lines;
    };
    play(bothPlay);

    const auto& tally = stage.arrows().judging().scoreOf(1).getTally();
    EXPECT_EQ(tally[0], std::size(steps));
    EXPECT_EQ(std::accumulate(tally.begin(), tally.end(), 0u), std::size(steps));
    for (const double error : stage.arrows().judging().getPressErrors(1))
        EXPECT_LT(std::fabs(error), 1.5);
    EXPECT_EQ(stage.points(1), 800u * std::size(steps) + 2 * ChartPlayer::holdPoints);
    ASSERT_GE(duringStop.size(), 5u);
    for (const float height : duringStop)
        EXPECT_EQ(height, duringStop.front()) << "arrows stand still during a stop";
    // A mine under no held key costs nothing.
    EXPECT_NE(stage.log().find("ArrowManager: Player 1 holds OK 2, NG 0; mines hit 0"), std::string::npos);
    EXPECT_NE(stage.log().find("ArrowManager: Player 2 holds OK 0, NG 1; mines hit 1"), std::string::npos);
    EXPECT_EQ(wordAfterMine, "Boom");
    // 800 for the head, then the mine takes 200 (to 600), then 1600 for the jump.
    EXPECT_EQ(stage.points(2), 800u - ChartPlayer::minePenalty + 1600u);
    std::vector<std::string> expected{"Godlike       3", "Perfect       0", "Great         0",
                                      "Good          0", "Booo          0", "Miss          7", "Holds OK      0",
                                      "Holds NG      1", "Mines hit     1", "Max combo     2",
                                      "Points     2200", "New record"};
    EXPECT_EQ(column(), expected);
    // Player 2's timing plot holds each judged press and each arrow missed.
    const ResultsBoard& board = stage.match().getResults().getBoard();
    ASSERT_NE(board.getPlot(2), nullptr);
    EXPECT_TRUE(board.getPlot(2)->isActive());
    EXPECT_EQ(board.getPlot(2)->pressCount(), 3u);
    EXPECT_EQ(board.getPlot(2)->missCount(), 7u);
    EXPECT_EQ(board.getSpreadLines(2)[0]->getText(), board.getPlot(2)->getSpread().meanLine());
    // The dancer dances the chart's steps: the Left move (or the special one) for the first arrow.
    EXPECT_TRUE(std::ranges::any_of(movesAfterLeft, [](std::int32_t first) {
        return first == Dancer::leftMove.firstFrame || first == Dancer::specialMove.firstFrame;
    }));

    stage.match().startNewRound();
    EXPECT_EQ(stage.arrows().getChartPlayer(2)->getResults().minesHit, 0u);
    EXPECT_EQ(column(), std::vector<std::string>(12, "(hidden)"));
    EXPECT_FALSE(board.getPlot(2)->isActive());
    play(bothPlay);
    expected.back() = ""; // the same points again are no new record
    EXPECT_EQ(column(), expected);
}

// The song panel: the chosen song's sample plays; Up steps to another song
// (here the game's own, first in the list), whose sample then plays; a slot
// key starts the song chosen, with the charts chosen.
TEST_F(ChartPlayTest, TheSongPanelsChoiceIsPreviewedAndPlayed)
{
    // The game's own song as the library lists it (sound files are known by
    // their contents, not their names).
    std::filesystem::copy_file("Data/Music/coconut.wav", "Data/Music/coconut.mp3");
    stage.match().scanLibrary();
    const library::SongSelection& selection = stage.match().getStory().getSelection();
    ASSERT_EQ(selection.size(), 2u);
    EXPECT_EQ(selection.song().title, "Test");
    EXPECT_EQ(selection.chart(1)->name, "Hard");
    SoundManager& sound = *SoundManager::instance();
    for (int frame = 0; frame < 10; ++frame)
        stage.frame(20);
    EXPECT_GE(sound.getStreamTime(SongPreview::streamName), 150u) << "the sample plays";

    stage.press(2, up, stage.now());
    EXPECT_TRUE(selection.song().builtIn);
    stage.frame(20);
    EXPECT_LE(sound.getStreamTime(SongPreview::streamName), 40u) << "the new song's sample starts";

    stage.startSong();
    EXPECT_FALSE(stage.arrows().getSong() != nullptr) << "the game's own song plays";
    EXPECT_STREQ(stage.arrows().songRun().stream(), OwnSongStepper::streamName);
}

// Fakes (an 'F', or any note in a #FAKES segment) rise like arrows but are
// never judged: presses exactly on them score nothing, nor take the next note.
TEST(ChartPlay, FakesAreNeverJudged)
{
    const char* const fakes = "#TITLE:Fakes;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n#BPMS:0=120;\n#FAKES:2=1;\n"
                              "#NOTES:dance-single::Hard:1:0:F000\n1000\n1000\n0001\n;\n";
    ArrowStage stage(Chart{"", "128.000", 5500, 9000, fakes, {"Hard", "Hard"}});
    ASSERT_TRUE(stage.arrows().getSong() != nullptr);
    const Step presses[] = {{1000, left, 0}, {1500, left, 0}, {2000, left, 0}, {2500, right, 0}};
    stage.startSong();
    for (int frame = 0; frame < 120; ++frame) {
        const double from = stage.arrows().songRun().now();
        stage.frame(33, [&] {
            for (const Step& step : presses) {
                if (step.ms > from && step.ms <= from + 33.0)
                    stage.arrows().onPlayerAction(1, step.action,
                                                  stage.now() - static_cast<std::uint32_t>(std::lround(from + 33.0 - step.ms)));
            }
        });
    }
    const auto& tally = stage.arrows().judging().scoreOf(1).getTally();
    EXPECT_EQ(tally[0], 2u);
    EXPECT_EQ(std::accumulate(tally.begin(), tally.end(), 0u), 2u);
    EXPECT_EQ(stage.points(1), 1600u);
}

TEST(ChartPlay, ASongThatCannotBePlayedGivesWayToTheGamesOwn)
{
    const char* const broken[] = {
        "#TITLE:No notes;\n#MUSIC:music.wav;\n#BPMS:0=120;\n",
        "#TITLE:Bad music;\n#MUSIC:../../outside.wav;\n#BPMS:0=120;\n#NOTES:dance-single::Hard:1:0:1000\n;",
        "\x01\x02garbage\xff",
    };
    for (const char* text : broken) {
        ArrowStage stage(Chart{"8", "128.000", 5500, 9000, text, {"Hard", "Hard"}});
        EXPECT_FALSE(stage.arrows().getSong() != nullptr) << text;
        EXPECT_NE(stage.log().find("WARNING: ArrowManager: Could not play the song in '"), std::string::npos) << text;
        EXPECT_STREQ(stage.arrows().songRun().stream(), OwnSongStepper::streamName);
    }
}

} // namespace
