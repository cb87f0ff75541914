#include "ArrowPlay.h"

#include "chart/SmReader.h"
#include "flow/Match.h"
#include "fx/Text.h"
#include "game/Arrow.h"
#include "game/ChartPlayer.h"
#include "game/ScrollSpeed.h"
#include "library/SongSelection.h"
#include "scene/Dancer.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>

namespace {

using namespace arrowtest;

// The song time of each note, and the press of each lane.
const std::vector<Step> steps{{1000, left},       {1500, down, 2530}, {3000, right}, {4000, up},
                              {5000, left},       {5000, right},      {5500, down},  {5750, up},
                              {6000, left, 6280}, {6500, right}};

class ChartPlayTest : public ::testing::Test {
protected:
    // 30 frames a second through the song.
    void play(const std::function<void(double from, double to)>& each)
    {
        stage.startSong();
        playFrames(stage, 300, 33, each);
    }

    ArrowStage stage{Chart{"", "128.000", 5500, 9000, stopsAndTempoChanges, {"hard", "Hard"}}};
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
    std::string wordAfterMine;
    const auto bothPlay = [&](double from, double to) {
        if (from > 1000 && from < 1150)
            movesAfterLeft.push_back(dancer->getModel().firstFrame());
        pressExactly(stage, 1, from, to, steps);
        pressExactly(stage, 2, from, to, {{1500, down}});
        if (from >= 4400 && from < 4600)
            stage.arrows().onPlayerAction(2, left, stage.now());
        if (from >= 4600 && wordAfterMine.empty())
            wordAfterMine = stage.arrows().texts().quality(2)->getText();
        pressExactly(stage, 2, from, to, {{5000, left}, {5000, right}});
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
    stage.startSong();
    playFrames(stage, 120, 33, [&](double from, double to) {
        pressExactly(stage, 1, from, to, {{1000, left}, {1500, left}, {2000, left}, {2500, right}});
    });
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

struct Moment {
    double songMs;
    double songBeat;
};
// Before the stop, during it, after it, after the tempo change.
const Moment moments[] = {{1000, 0}, {2000, 2}, {3100, 4}, {3400, 4}, {4500, 6}, {5750, 9}};


// A player's arrows at 0.5x, 1x, 2x and M300 (the fastest section, 240 BPM,
// at 300 units a minute: 1.25 units per beat): each stands its beats to go
// times the speed below the goal line, stands still during the stop, shows
// its hold at the speed's length, and appears once it is within the travel
// of the goal. The judgement of a press is the same at every speed.
TEST(ScrollSpeedPlay, ArrowsRiseAtThePlayersSpeedAndAreJudgedTheSame)
{
    const chart::ReadResult read = chart::SmReader::read(stopsAndTempoChanges);
    ASSERT_TRUE(read.ok()) << read.error;
    const chart::Chart& chart = read.song.charts.front();
    const float travel = ArrowStage::goalY - ArrowStage::spawnY;
    const struct {
        const char* speed;
        double factor;
        std::size_t spawnedAtStart;
    } speeds[] = {{"1x", 1.0, 9}, {"0.5x", 0.5, 10}, {"2x", 2.0, 4}, {"M300", 1.25, 7}};

    std::vector<float> firstQualities;
    for (const auto& speed : speeds) {
        SCOPED_TRACE(speed.speed);
        const double factor = ScrollSpeed::parse(speed.speed)->factor(chart);
        ASSERT_EQ(factor, speed.factor);
        ArrowStage stage{{"", "120", 0, 1000}};
        ChartPlayer player(stage.arrows().fields(), stage.arrows().judging(), 1, chart, travel, factor);
        std::vector<float> qualities;
        for (const Moment& moment : moments) {
            player.update(moment.songMs, stage.now(), true, nullptr);
            const std::vector<Arrow*>& arrows = stage.arrows().fields().getArrows(1);
            if (moment.songMs == 1000) {
                EXPECT_EQ(arrows.size(), speed.spawnedAtStart);
            }
            for (const Arrow* arrow : arrows) {
                const double toGo = arrow->getNoteBeat() - moment.songBeat;
                EXPECT_FLOAT_EQ(arrow->y, static_cast<float>(ArrowStage::goalY - toGo * factor))
                    << "beat " << arrow->getNoteBeat() << " at " << moment.songMs << " ms";
                EXPECT_GE(arrow->y, ArrowStage::spawnY - 0.5f * factor) << "appears near the spawn line";
            }
        }
        for (const Arrow* arrow : stage.arrows().fields().getArrows(1)) {
            const double beat = arrow->getNoteBeat();
            EXPECT_FLOAT_EQ(arrow->getTail(), beat == 1 ? 2 * factor : beat == 10 ? factor : 0.0f) << beat;
            for (const double early : {-240.0, -60.0, 0.0, 20.0, 40.0, 100.0, 200.0})
                qualities.push_back(arrow->qualityAt(arrow->getNoteMs() + early));
        }
        if (firstQualities.empty())
            firstQualities = qualities;
        EXPECT_EQ(qualities, firstQualities);
    }
}

// A mine goes off on the frame whose song time reaches it, its lane being
// down in that frame; a lane down only in the frame before costs nothing.
TEST(ChartPlayMines, AMineGoesOffOnTheFrameThatReachesItsTime)
{
    const chart::ReadResult read = chart::SmReader::read(
        "#TITLE:Mines;\n#OFFSET:0;\n#BPMS:0=120;\n#NOTES:dance-single::Hard:1::0000\n0000\nM000\n0M00\n;\n");
    ASSERT_TRUE(read.ok()) << read.error;
    const chart::Chart& mines = read.song.charts.front();
    const auto laneOf = [&mines](std::size_t mine) { return static_cast<std::uint8_t>(mines.notes.at(mine).lane); };
    ArrowStage stage{{"", "120", 0, 3000}};
    ChartPlayer player(stage.arrows().fields(), stage.arrows().judging(), 1, mines, ArrowStage::goalY - ArrowStage::spawnY, 1.0);
    for (const double songMs : {0.0, 500.0, 990.0})
        player.update(songMs, stage.now(), true, nullptr);
    player.onLaneDown(laneOf(0), stage.now());
    player.update(1000.0, stage.now(), true, nullptr);
    player.update(1010.0, stage.now(), true, nullptr);
    EXPECT_EQ(player.getResults().minesHit, 1u) << "the mine at 1000 ms, its lane down in that frame";
    player.onLaneDown(laneOf(1), stage.now());
    player.update(1490.0, stage.now(), true, nullptr);
    player.update(1510.0, stage.now(), true, nullptr);
    EXPECT_EQ(player.getResults().minesHit, 1u) << "the mine at 1500 ms, its lane down a frame before";
}

} // namespace
