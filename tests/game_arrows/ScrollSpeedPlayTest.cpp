#include "support/ArrowStage.h"

#include "chart/SmReader.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/ScrollSpeed.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using arrowtest::ArrowStage;

// Beat 0 at 1 s, 120 BPM, a stop of 0.5 s on beat 4, 240 BPM from beat 8.
// Judged notes on beats 0, 1 (a hold to 3), 4, 5, 7 (a jump), 8, 9, 10 (a
// roll to 11) and 12; a mine on beat 6.
const char* const song = "#TITLE:Test;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n"
                         "#BPMS:0.000=120.000,8.000=240.000;\n#STOPS:4.000=0.500;\n"
                         "#NOTES:\n     dance-single:\n     :\n     Hard:\n     9:\n     0,0,0,0,0:\n"
                         "1000\n0200\n0000\n0300\n,\n0001\n0010\nM000\n1001\n,\n"
                         "0100\n0010\n4000\n3000\n,\n0001\n0000\n0000\n0000\n;\n";

struct Moment {
    double songMs;
    double songBeat;
};
// Before the stop, during it, after it, after the tempo change.
const Moment moments[] = {{1000, 0}, {2000, 2}, {3100, 4}, {3400, 4}, {4500, 6}, {5750, 9}};

} // namespace

// A player's arrows at 0.5x, 1x, 2x and M300 (the fastest section, 240 BPM,
// at 300 units a minute: 1.25 units per beat): each stands its beats to go
// times the speed below the goal line, stands still during the stop, shows
// its hold at the speed's length, and appears once it is within the travel
// of the goal. The judgement of a press is the same at every speed.
TEST(ScrollSpeedPlay, ArrowsRiseAtThePlayersSpeedAndAreJudgedTheSame)
{
    const chart::ReadResult read = chart::SmReader::read(song);
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
