#include "support/ArrowStage.h"

#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "flow/ResultsScreen.h"
#include "flow/RecordKeeper.h"
#include "fx/Text.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "library/ReplayFile.h"
#include "platform/SqliteDatabase.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <tuple>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;
using arrowtest::down;
using arrowtest::left;
using arrowtest::right;
using arrowtest::up;

// Beat 0 at 1 s, 120 BPM. "Easy": four taps. "Hard": eleven judged notes, one
// of them the head of a hold (beats 1 to 3), and two jumps. Columns: Left,
// Down, Up, Right.
const char* const fairSong = "#TITLE:Fair;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n#BPMS:0.000=120.000;\n"
                         "#NOTES:\n     dance-single:\n     :\n     Easy:\n     2:\n     0,0,0,0,0:\n"
                         "1000\n0100\n0010\n0001\n;\n"
                         "#NOTES:\n     dance-single:\n     :\n     Hard:\n     8:\n     0,0,0,0,0:\n"
                         "1000\n0200\n0000\n0301\n,\n1000\n0100\n0010\n0001\n,\n1001\n0000\n0110\n0000\n;\n";

struct Step {
    double ms;
    std::uint8_t action;
    double releaseMs;
};
const std::vector<Step> easySteps{{1000, left, 0}, {1500, down, 0}, {2000, up, 0}, {2500, right, 0}};
const std::vector<Step> hardSteps{{1000, left, 0}, {1500, down, 2600}, {2500, right, 0}, {3000, left, 0},
                                  {3500, down, 0}, {4000, up, 0},      {4500, right, 0}, {5000, left, 0},
                                  {5000, right, 0}, {6000, down, 0},   {6000, up, 0}};
constexpr std::uint32_t easyMaximum = 4 * 800;
constexpr std::uint32_t hardMaximum = 11 * 800 + 400;

// Both players hit every note of their own chart exactly (player 1, with
// `lateMs`, that much late) and keep the hold.
void playFlawless(ArrowStage& stage, const std::vector<Step>& one, const std::vector<Step>& two, double lateMs = 0.0)
{
    // Song time runs at the music's rate; ticks are real time.
    const double rate = SoundManager::instance()->getMusicRate();
    const auto pressExactly = [&stage, rate](std::uint8_t player, double from, double to,
                                             const std::vector<Step>& steps, double late = 0.0) {
        for (const Step& step : steps) {
            const double ms = step.ms + late;
            if (ms > from && ms <= to)
                stage.arrows().onPlayerAction(player, step.action,
                                              stage.now() - static_cast<std::uint32_t>(std::lround((to - ms) / rate)));
            else if (step.releaseMs > 0 && step.ms <= from && from < step.releaseMs)
                stage.arrows().onPlayerAction(player, step.action, stage.now());
        }
    };
    stage.startSong();
    for (int frame = 0; frame < 300; ++frame) {
        const double from = stage.arrows().songRun().now();
        stage.frame(33, [&] {
            pressExactly(1, from, from + 33.0 * rate, one, lateMs);
            pressExactly(2, from, from + 33.0 * rate, two);
        });
    }
}

// A record set in one round shows on the song panel in the next, and on
// the results as "New record"; the same points again are no new record. The
// bests are kept by the music's rate: at 1.5x the panel shows none until a
// round there, whose exact presses from the first note on (the first during
// the lead-in) are all "Godlike". Flawless runs on charts of different sizes
// both score the smaller chart's flawless maximum and tie.
TEST(RematchRecords, ARecordSetInOneRoundShowsOnThePanelInTheNextAtItsRate)
{
    ArrowStage stage{Chart{"", "120.000", 1000, 9000, fairSong, {"Easy", "Hard"}}};
    stage.match().scanLibrary();
    const StoryScreen& panel = stage.match().getStory();
    ASSERT_EQ(panel.getSelection().chart(1)->name, "Easy");
    const auto lastLine = [&stage](int player) {
        std::string last;
        for (const Text* text : stage.match().getResults().getBoard().getColumn(player)) {
            if (text->isActive() && !text->getText().empty())
                last = text->getText();
        }
        return last;
    };

    const struct {
        double rate;
        const char* expected;
    } rounds[] = {{1.0, "Full combo  New record"}, {1.0, "Full combo"}, {1.5, "Full combo  New record"}};
    std::size_t played = 0;
    for (const auto& round : rounds) {
        SCOPED_TRACE(std::string(round.expected) + " at " + std::to_string(round.rate));
        SoundManager::instance()->setMusicRate(round.rate);
        if (std::string(round.expected).ends_with("New record")) {
            EXPECT_EQ(panel.bestText(1), "none");
            EXPECT_EQ(panel.bestText(2), "none");
        }
        playFlawless(stage, easySteps, hardSteps);
        ASSERT_TRUE(stage.arrows().songEnd().isOver());
        EXPECT_EQ(stage.points(1), easyMaximum);
        EXPECT_EQ(stage.points(2), easyMaximum);
        EXPECT_EQ(stage.arrows().judging().scoreOf(2).getEarned(), hardMaximum);
        EXPECT_NE(stage.log().find("winner: Noone"), std::string::npos);
        stage.frame(16);
        EXPECT_EQ(lastLine(1), round.expected);
        EXPECT_EQ(lastLine(2), round.expected);
        // Each round is kept as its replay: both players' presses as they were judged.
        platform::SqliteDatabase kept;
        ASSERT_EQ(kept.open(library::RecordBook::fileName, 100), platform::SqliteStatus::Ok);
        std::vector<platform::SqliteDatabase::Row> replays;
        ASSERT_EQ(kept.query("SELECT round FROM replays ORDER BY id", {}, replays), platform::SqliteStatus::Ok);
        ASSERT_EQ(replays.size(), ++played);
        const auto& bytes = std::get<platform::SqliteDatabase::Blob>(replays.back().at(0));
        const library::ReplayFile::ReadResult replay = library::ReplayFile::read(bytes);
        ASSERT_TRUE(replay.round) << replay.problem;
        const auto godlike = [&](std::size_t player) {
            return std::ranges::count_if(replay.round->players[player].inputs, [](const library::RoundInput& input) {
                return !input.release && input.hit == library::RoundInput::Godlike;
            });
        };
        EXPECT_EQ(godlike(0), 4);
        EXPECT_EQ(godlike(1), 11);
        EXPECT_EQ(replay.round->players[1].chart, "Hard");
        stage.match().startNewRound();
        EXPECT_EQ(panel.bestText(1).substr(0, 17), "3200 (combo 4, 20");
        EXPECT_EQ(panel.bestText(2).substr(0, 18), "3200 (combo 11, 20");
    }
    SoundManager::instance()->setMusicRate(1.0);
}

// Another program holding the records locked for the whole run: the results
// claim no record that was not kept, and the loss is said in the log while
// it is still open, when the match ends.
TEST(RematchRecords, RecordsLockedForTheWholeRunAreNotClaimedAndTheirLossIsLogged)
{
    testsupport::ScratchDir scratch;
    OutputHandler::instance()->open("output.log");
    platform::SqliteDatabase otherProgram;
    ASSERT_EQ(otherProgram.open(library::RecordBook::fileName, 100), platform::SqliteStatus::Ok);
    ASSERT_EQ(otherProgram.execute("BEGIN EXCLUSIVE"), platform::SqliteStatus::Ok);
    library::RecordEntry entry{{"0123456789abcdef", "Hard", "Kai"}, {}};
    entry.record.points = 9200;
    {
        RecordKeeper keeper;
        keeper.open(library::RecordBook::fileName, {50, std::chrono::milliseconds(50)});
        keeper.waitForWrites(true);
        keeper.submit({{1, entry}});
        EXPECT_FALSE(keeper.isNewRecord(1));
        keeper.writeMessages();
    }
    const std::string log = testsupport::readFile("output.log");
    OutputHandler::instance()->close();
    ObjectRegistry::destroy();
    EXPECT_NE(log.find("records are kept in memory and written later"), std::string::npos) << log;
    EXPECT_NE(log.find("could not be written and are lost"), std::string::npos) << log;
}

} // namespace

// F12 on the results plays the round again: the same words, points, holds
// and winner come out of the recorded presses alone, the players' own keys
// do nothing meanwhile, and the replay keeps no record and no replay.
TEST(RematchRecords, TheRoundPlaysAgainFromTheResultsAndSetsNoRecord)
{
    ArrowStage stage{Chart{"", "120.000", 1000, 9000, fairSong, {"Easy", "Hard"}}};
    stage.match().getRecords().waitForWrites(true);
    playFlawless(stage, easySteps, hardSteps, 60.0);
    stage.frame(16);
    const auto totals = [&stage] {
        const PressJudge& judging = stage.arrows().judging();
        return std::tuple(judging.scoreOf(1).getTally(), judging.scoreOf(2).getTally(), stage.points(1),
                          stage.points(2), stage.arrows().getChartPlayer(2)->getResults().holdsOk,
                          stage.arrows().texts().winner()->getText());
    };
    const auto played = totals();
    const auto keptRounds = [] {
        platform::SqliteDatabase kept;
        std::vector<platform::SqliteDatabase::Row> rows;
        kept.open(library::RecordBook::fileName, 100);
        kept.query("SELECT id FROM replays", {}, rows);
        return rows.size();
    };
    ASSERT_EQ(keptRounds(), 1u);

    stage.match().onKey(ResultsScreen::watchAgainKey);
    ASSERT_TRUE(stage.match().isReplaying());
    for (int frame = 0; frame < 600 && !stage.arrows().songEnd().isOver(); ++frame)
        stage.frame(33, [&stage] { stage.press(2, up, stage.now()); });
    stage.frame(16);
    EXPECT_EQ(totals(), played);
    EXPECT_NE(stage.log().find("Match: The replay is over; it sets no record"), std::string::npos);
    EXPECT_EQ(keptRounds(), 1u);
}
