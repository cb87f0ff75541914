#include "ArrowPlay.h"

#include "app/AutoplayBot.h"
#include "chart/Chart.h"
#include "flow/Match.h"
#include "game/Arrow.h"
#include "game/ChartPlayer.h"
#include "game/Judgements.h"
#include "game/MsWindows.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace arrowtest;

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

// The exact bot's presses for both players' charts.
std::vector<AutoplayBot::Press> exactPresses(ArrowStage& stage, unsigned seed)
{
    std::mt19937 random(seed);
    return AutoplayBot::planChartPresses(stage.arrows().getChartPlayer(1)->getChart(),
                                         stage.arrows().getChartPlayer(2)->getChart(), laneActions, laneActions,
                                         random, false);
}

// Plays the exact bot's presses for both players through the match, 16 ms
// frames (each taking the song times from the end of the last on): each press as a new press stamped at its time, every frame a
// hold's key stays down, as the input handler repeats it, and keys with a
// time to go up go up then.
void playExactly(ArrowStage& stage)
{
    const auto presses = exactPresses(stage, 7);
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
    playFrames(stage, 400, 16, [&](double from, double to) {
        if (from < 5500.0 && 5500.0 <= to)
            stage.press(1, up, stampAt(stage, to, 5500.0), false);
    });
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
    playFrames(stage, 1200, 16, [&](double from, double to) {
        for (const auto& press : presses) {
            const double at = press.noteMs + press.offMs;
            if (at > from && at <= to)
                stage.press(1, left, stampAt(stage, to, at));
        }
    });
    const std::vector<std::string> expected{"Godlike", "Booo", "Great", "Good", "Perfect", "Booo", "Perfect"};
    EXPECT_EQ(words, expected);
}

constexpr double frameMs = 16.0;

// 120 BPM, the music starting a second after beat 0: the first note lies a
// second before the music, the next ones at its start and after it.
const char* const early = "#TITLE:Early;\n#MUSIC:music.wav;\n#OFFSET:1.000;\n#BPMS:0=120;\n"
                          "#NOTES:dance-single::Hard:5:0:\n1000\n0100\n0010\n0001\n,\n1000\n0000\n0000\n0000\n;\n";

// An arrow rises 10.5 units from the spawn line at 1x, 5250 ms at 120 BPM:
// the first note's arrow lacks 6250 ms, and the lead-in gives a second more.
constexpr double leadInMs = 6250.0 + ChartPlayer::leadInMarginMs;

// The song clock starts before the music: every arrow rises from the spawn
// line, the clock runs on evenly through the music's start, which is heard
// at its own time on the clock (the play begins within a frame of song time
// 0, from as far into the music as the clock has passed), and the exact
// presses, the first during the lead-in, are all "Godlike".
TEST(LeadIn, EarlyNotesRiseFromTheSpawnLineAndAreHitBeforeTheMusic)
{
    ArrowStage stage(Chart{"", "128.000", 5500, 6000, early, {"Hard", "Hard"}});
    ASSERT_TRUE(stage.arrows().getSong() != nullptr);
    const auto presses = exactPresses(stage, 3);
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
                    stage.press(static_cast<std::uint8_t>(press.player), press.key, stampAt(stage, to, press.songMs));
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

// A word judged on one machine, applied on the other: the same arrows leave
// the same player's field and the same words are counted.

// Four taps on Left, Down, Up, Right at 1, 1.5, 2 and 2.5 s, then a hold on
// Down from 3 to 4 s.
const char* const remoteSong = "#TITLE:Remote;\n#ARTIST:Us;\n#MUSIC:music.wav;\n#OFFSET:-1.000;\n"
                         "#BPMS:0.000=120.000;\n"
                         "#NOTES:\n     dance-single:\n     :\n     Hard:\n     5:\n     0,0,0,0,0:\n"
                         "1000\n0100\n0010\n0001\n,\n0200\n0000\n0300\n0000\n;\n";
// Player 1's presses: on time, 40 ms late (a lesser word), a miss (Up is
// never pressed), on time, and the hold's head with the hold let go at once.
const std::vector<Step> remotePresses{{1000, left}, {1540, down}, {2500, right}, {3000, down}};
constexpr int remoteFrames = 180;

struct Timed {
    int frame;
    PressJudge::Earned earned;
};

Chart remoteChart()
{
    return Chart{"", "128.000", 5500, 6000, remoteSong, {"Hard", "Hard"}};
}

// Plays player 1's presses and returns every word player 1 earned, by frame.
std::vector<Timed> playLocally(std::array<std::uint32_t, Judgements::count>& tally)
{
    ArrowStage stage{remoteChart()};
    std::vector<Timed> earned;
    int frame = 0;
    stage.arrows().judging().setEarnedListener([&](const PressJudge::Earned& word) {
        if (word.player == 1)
            earned.push_back({frame, word});
    });
    stage.startSong();
    for (; frame < remoteFrames; ++frame) {
        const double from = stage.arrows().songRun().now();
        stage.frame(33, [&] { pressExactly(stage, 1, from, from + 33.0, remotePresses); });
    }
    tally = stage.arrows().judging().scoreOf(1).getTally();
    stage.arrows().judging().setEarnedListener({});
    return earned;
}

TEST(RemoteJudgement, TheOtherMachineCountsTheSameWordsAndClearsTheSameArrows)
{
    std::array<std::uint32_t, Judgements::count> localTally{};
    const std::vector<Timed> earned = playLocally(localTally);
    // Three taps and the hold's head judged, the hold let go ("NG").
    ASSERT_EQ(std::count_if(earned.begin(), earned.end(), [](const Timed& t) { return t.earned.arrowNumber != 0; }), 4);
    ASSERT_TRUE(std::any_of(earned.begin(), earned.end(), [](const Timed& t) { return std::string(t.earned.word) == "NG"; }));

    ArrowStage remote{remoteChart()};
    remote.startSong();
    std::size_t next = 0;
    std::vector<Arrow*> judgedArrows;
    for (int frame = 0; frame < remoteFrames; ++frame) {
        remote.frame(33, [&] {
            for (; next < earned.size() && earned[next].frame <= frame; ++next) {
                const auto& arrows = remote.arrows().fields().getArrows(1);
                const auto target = std::find_if(arrows.begin(), arrows.end(), [&](const Arrow* arrow) {
                    return arrow->getNumber() == earned[next].earned.arrowNumber;
                });
                if (earned[next].earned.arrowNumber != 0) {
                    ASSERT_NE(target, arrows.end()) << "arrow " << earned[next].earned.arrowNumber << " is not there";
                    judgedArrows.push_back(*target);
                }
                remote.arrows().judging().applyRemote(earned[next].earned);
            }
        });
    }
    EXPECT_EQ(remote.arrows().judging().scoreOf(1).getTally(), localTally);
    for (const Arrow* arrow : judgedArrows) {
        EXPECT_TRUE(arrow->isHiddenFor(1));
        const auto& open = remote.arrows().fields().getArrows(1);
        EXPECT_EQ(std::find(open.begin(), open.end(), arrow), open.end());
    }
    // The missed Up arrow stays in the list, as a missed arrow does locally.
    EXPECT_EQ(remote.arrows().fields().getArrows(1).size(), 1u);
    // Player 2's field is untouched.
    EXPECT_EQ(remote.arrows().judging().scoreOf(2).getTally(), (std::array<std::uint32_t, Judgements::count>{}));
}

// Words that name no arrow of the field, or an arrow already gone, change
// nothing but the word shown; only press words are counted.
TEST(RemoteJudgement, UnknownArrowsAndOtherWordsCountNoPress)
{
    ArrowStage stage{remoteChart()};
    stage.startSong();
    for (int frame = 0; frame < 30; ++frame)
        stage.frame(33);
    const std::size_t openBefore = stage.arrows().fields().getArrows(2).size();
    ASSERT_GT(openBefore, 0u);
    const struct {
        PressJudge::Earned earned;
        std::uint32_t godlike;
    } cases[] = {
        {{2, 0, 9999, "Godlike"}, 1},              // no such arrow: counted, nothing leaves
        {{2, PressJudge::noLane, 0, "OK"}, 1},   // a hold's end
        {{2, PressJudge::noLane, 0, "Boom"}, 1}, // a mine
        {{3, 0, 1, "Godlike"}, 1},                 // no such player
    };
    for (const auto& test : cases) {
        stage.arrows().judging().applyRemote(test.earned);
        EXPECT_EQ(stage.arrows().judging().scoreOf(2).getTally()[0], test.godlike) << test.earned.word;
        EXPECT_EQ(stage.arrows().fields().getArrows(2).size(), openBefore) << test.earned.word;
    }
}

} // namespace
