#include "support/ArrowStage.h"

#include "app/AutoplayBot.h"
#include "chart/Chart.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/Judgements.h"
#include "game/MsWindows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;

// The actions of the chart's lanes (Left, Up, Right, Down).
constexpr std::uint8_t laneActions[] = {4, 1, 2, 3};

// 120 BPM from 1 s on, in 16ths. Each hold ends a quarter beat before the
// next note of its lane: Down, then Left, then Up and Right together.
const char* const holdsThenTaps = "#TITLE:Holds;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n#BPMS:0=120;\n"
                                  "#NOTES:dance-single::Hard:5:0:\n"
                                  "0200\n0000\n0000\n0000\n0300\n0100\n2000\n0000\n"
                                  "3000\n1000\n0022\n0000\n0033\n0011\n0000\n0000\n;\n";

// 120 BPM from 1 s on, in 16ths: lifts alone, a lift just after a tap in
// its lane, a lift beside a tap, and two lifts together.
const char* const lifts = "#TITLE:Lifts;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n#BPMS:0=120;\n"
                          "#NOTES:dance-single::Hard:5:0:\n"
                          "L000\n0000\n0L00\n0000\n1000\nL000\n0000\n0000\n"
                          "00L1\n0000\n0000\n0000\nL00L\n0000\n0000\n0000\n;\n";

// 120 BPM from 1 s on, one row a beat, with every timing gimmick of players'
// packs: a negative BPM (beats 8 to 10 are skipped, and the note on its first
// beat with them), a stop after beat 12, a delay before beat 14, a warp over
// beats 16 to 18 (the note in it is skipped), a fake segment (beat 20) and a
// fake note, lifts and a mine. Eleven notes are judged.
const char* const gimmicks = "#TITLE:Gimmicks;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n#BPMS:0=120,8=-120,9=120;\n"
                             "#STOPS:12=0.5;\n#DELAYS:14=0.5;\n#WARPS:16=2;\n#FAKES:20=1;\n"
                             "#NOTES:dance-single::Hard:5:0:\n"
                             "1000\n0000\n0100\n0000\n,\n0010\n0000\n0001\nL000\n,\n"
                             "1000\n0000\n0000\n0100\n,\n0010\n0000\n0001\n0000\n,\n"
                             "0000\n1000\n0000\n0L00\n,\n0100\n000F\n0010\nM000\n,\n"
                             "1000\n0000\n0000\n0000\n;\n";

// The moment of a song time `at` that lies within the frame ending at `to`.
std::uint32_t stampAt(ArrowStage& stage, double to, double at)
{
    return stage.now() - static_cast<std::uint32_t>(std::lround(to - at));
}

// Plays the exact bot's presses for both players through the match, 16 ms
// frames (each taking the song times from the end of the last on): each press as a new press stamped at its time, every frame a
// hold's key stays down, as the input handler repeats it, and keys with a
// time to go up go up then.
void playExactly(ArrowStage& stage)
{
    std::mt19937 random(7);
    const auto presses = AutoplayBot::planChartPresses(stage.arrows().getChartPlayer(1)->getChart(),
                                                       stage.arrows().getChartPlayer(2)->getChart(), laneActions,
                                                       laneActions, random, false);
    stage.startSong();
    double to = stage.arrows().songRun().now();
    double last = to;
    for (const AutoplayBot::Press& press : presses)
        last = std::max({last, press.songMs, press.releaseMs});
    while (to < last + 500.0) {
        const double from = to;
        to = from + 16.0;
        stage.frame(16, [&] {
            for (const AutoplayBot::Press& press : presses) {
                const auto player = static_cast<std::uint8_t>(press.player);
                if (press.songMs > from && press.songMs <= to)
                    stage.press(player, press.key, stampAt(stage, to, press.songMs));
                else if (press.songMs <= from && from < press.releaseMs)
                    stage.press(player, press.key, stage.now(), false);
                if (press.releaseMs > from && press.releaseMs <= to)
                    stage.release(player, press.key, stampAt(stage, to, press.releaseMs));
            }
        });
    }
}

// Holds ending just before the next note of their lane: a key held through
// a hold hits no arrow arriving under it. Lifts: the bot presses shortly
// before and lets go on the note. Every timing gimmick together.
TEST(FairJudging, TheExactBotEarnsGodlikeOnHoldsFollowedByTapsAndOnLifts)
{
    const struct {
        const char* song;
        std::uint32_t judged;
        std::uint32_t holds;
    } cases[] = {{holdsThenTaps, 8, 4}, {lifts, 8, 0}, {gimmicks, 11, 0}};
    for (const auto& song : cases) {
        SCOPED_TRACE(song.song);
        ArrowStage stage(Chart{"", "128.000", 5500, 20000, song.song, {"Hard", "Hard"}});
        ASSERT_TRUE(stage.arrows().getSong() != nullptr);
        playExactly(stage);
        for (int player = 1; player <= 2; ++player) {
            const auto& tally = stage.arrows().judging().scoreOf(player).getTally();
            EXPECT_EQ(tally[0], song.judged) << "player " << player;
            EXPECT_EQ(std::accumulate(tally.begin(), tally.end(), 0u), song.judged) << "player " << player;
            EXPECT_EQ(stage.arrows().getChartPlayer(player)->getResults().holdsOk, song.holds);
        }
    }
}

// A lift is judged by the release of its lane, by the release's distance
// from the note; a press never hits it, and one never released is missed.
TEST(FairJudging, ALiftIsHitByItsLanesReleaseOnly)
{
    ArrowStage stage(Chart{"", "128.000", 5500, 9000, lifts, {"Hard", "Hard"}});
    const struct {
        double atMs;
        std::uint8_t action;
        bool release;
    } events[] = {
        {1000, 4, false}, {1000, 4, true},   // Left lift: pressed on it, then let go on it
        {1280, 3, true},                     // Down lift, 30 ms late
        {1500, 4, false},                    // Left tap
        {1625 - 100, 4, true},               // Left lift, 100 ms early
        {2000, 1, false}, {2000, 2, false},  // Up lift pressed, never let go; Right tap
        {2500 + 250, 4, true},               // Left lift let go outside the windows
    };
    std::vector<std::string> words;
    stage.arrows().judging().setEarnedListener([&](const PressJudge::Earned& earned) {
        if (earned.player == 1)
            words.push_back(earned.word);
    });
    stage.startSong();
    double to = stage.arrows().songRun().now();
    for (int frame = 0; frame < 300; ++frame) {
        const double from = to;
        to = from + 16.0;
        stage.frame(16, [&] {
            for (const auto& event : events) {
                if (event.atMs <= from || event.atMs > to)
                    continue;
                event.release ? stage.release(1, event.action, stampAt(stage, to, event.atMs))
                              : stage.press(1, event.action, stampAt(stage, to, event.atMs));
            }
        });
    }
    EXPECT_EQ(words, (std::vector<std::string>{"Godlike", "Perfect", "Godlike", "Good", "Godlike"}));
    for (const Arrow* arrow : stage.arrows().fields().getArrows(1))
        EXPECT_TRUE(arrow->isHiddenFor(1)) << "lane " << arrow->getLane() << " left as a miss";
}

// The game's own song judges a key that is down, new or not.
TEST(FairJudging, TheGamesOwnSongJudgesAHeldKey)
{
    ArrowStage stage(Chart{"8", "128.000", 5500, 9000});
    ASSERT_FALSE(stage.arrows().getSong() != nullptr);
    stage.startSong();
    for (int frame = 0; frame < 400; ++frame) {
        const double from = stage.arrows().songRun().now();
        stage.frame(16, [&] {
            if (from < 5500.0 && 5500.0 <= from + 16.0)
                stage.press(1, 1, stage.now() - static_cast<std::uint32_t>(std::lround(from + 16.0 - 5500.0)), false);
        });
    }
    EXPECT_EQ(stage.arrows().judging().scoreOf(1).getTally()[0], 1u);
}

// Strictly inside a window earns its word, on either side of the note.
TEST(FairJudging, MillisecondWindowsAreStrict)
{
    const struct {
        double distanceMs;
        const char* word;
    } cases[] = {{0.0, "Godlike"},    {23.39, "Godlike"}, {-23.4, "Perfect"}, {46.89, "Perfect"},
                 {46.9, "Great"},     {-93.79, "Great"},  {93.8, "Good"},     {-140.59, "Good"},
                 {140.6, "Booo"},     {234.39, "Booo"},   {-234.39, "Booo"}};
    for (const auto& entry : cases)
        EXPECT_STREQ(Judgements::forQuality(MsWindows::qualityFor(entry.distanceMs)).word, entry.word) << entry.distanceMs;
    for (const double outside : {234.4, -234.4, 1500.0, std::nan("")})
        EXPECT_EQ(MsWindows::qualityFor(outside), 0.0f) << outside;
}

// 60 BPM, then 128, 300 and a 20 BPM section, two Left notes in each: the
// same distance in ms earns the same word at every tempo, and a press 237 ms
// late hits nothing, even where half a beat lasts 1.5 s.
TEST(FairJudging, PlayersSongsAreJudgedInMillisecondsAtEveryTempo)
{
    const char* const tempos = "#TITLE:Tempos;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n"
                               "#BPMS:0=60,8=128,16=300,24=20;\n#NOTES:dance-single::Hard:5:0:\n"
                               "1000\n,\n1000\n,\n1000\n,\n1000\n,\n1000\n,\n1000\n,\n1000\n1000\n0000\n0000\n;\n";
    ArrowStage stage(Chart{"", "128.000", 5500, 20000, tempos, {"Hard", "Hard"}});
    ASSERT_TRUE(stage.arrows().getSong() != nullptr);
    const struct {
        double noteMs;
        double offMs;
    } presses[] = {{1000, 22},   {5000, -142},  {9000, -48},   {10875, 139},
                   {12750, 45},  {13550, 232},  {14350, -25},  {17350, 237}};
    std::vector<std::string> words;
    stage.arrows().judging().setEarnedListener([&](const PressJudge::Earned& earned) { words.push_back(earned.word); });
    stage.startSong();
    for (int frame = 0; frame < 1200; ++frame) {
        const double from = stage.arrows().songRun().now();
        const double to = from + 16.0;
        stage.frame(16, [&] {
            for (const auto& press : presses) {
                const double at = press.noteMs + press.offMs;
                if (at > from && at <= to)
                    stage.press(1, laneActions[0], stage.now() - static_cast<std::uint32_t>(std::lround(to - at)));
            }
        });
    }
    const std::vector<std::string> expected{"Godlike", "Booo", "Great", "Good", "Perfect", "Booo", "Perfect"};
    EXPECT_EQ(words, expected);
}

} // namespace
