#include "support/ArrowStage.h"

#include "app/AutoplayBot.h"
#include "chart/ChartFile.h"
#include "flow/Match.h"
#include "flow/ResultsScreen.h"
#include "game/ArrowManager.h"
#include "game/GimmickManager.h"
#include "sound/SoundManager.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <regex>
#include <string>
#include <vector>

// Twenty rounds of the forged songs played in the game's own loop on the
// simulated clock, player 1 on time and player 2 scattered like a person,
// both firing their stored missiles now and then, at two music rates, with
// frames even or uneven as a loaded machine draws them; each round's
// replay, taken from the results, ends with the very same closing lines.
namespace {

using arrowtest::ArrowStage;
using arrowtest::Chart;
using arrowtest::laneActions;
using Press = AutoplayBot::Press;

const std::filesystem::path forgedSongs = std::filesystem::path(FLAREVOX_RUN_DIR) / "Songs";
constexpr std::uint32_t evenFrameMs = 20;

struct RoundCase {
    const char* song;
    std::array<const char*, 2> difficulties;
    double rate;
    bool unevenFrames;
    std::string name;
};

void PrintTo(const RoundCase& round, std::ostream* out)
{
    *out << round.name;
}

void addCase(std::vector<RoundCase>& cases, const char* song, double rate, bool uneven)
{
    static const std::array<std::array<const char*, 2>, 2> pairs{{{"Hard", "Medium"}, {"Beginner", "Challenge"}}};
    const auto& pair = pairs[cases.size() % pairs.size()];
    std::string name = std::filesystem::path(song).filename().string() + pair[0] + pair[1]
        + (rate == 1.0 ? "AtOne" : "AtOneAndAHalf") + (uneven ? "UnevenFrames" : "");
    std::erase(name, ' ');
    cases.push_back({song, pair, rate, uneven, name});
}

// The game's three songs at both rates and both kinds of frames, and four
// of the world tour's at both rates.
std::vector<RoundCase> roundCases()
{
    std::vector<RoundCase> cases;
    for (const char* song : {"Flarevox/Daybreak", "Flarevox/Gearshift", "Flarevox/Neon Drift"}) {
        for (const double rate : {1.0, 1.5}) {
            for (const bool uneven : {false, true})
                addCase(cases, song, rate, uneven);
        }
    }
    for (const char* song : {"World Tour/Byeolbit", "World Tour/Cafe", "World Tour/Colorful", "World Tour/Yoake"}) {
        addCase(cases, song, 1.0, false);
        addCase(cases, song, 1.5, true);
    }
#ifdef FLAREVOX_SANITIZER_SUBSET
    // Under the slow sanitizer build, one case of each song of the game:
    // Daybreak at 1.0x, Gearshift at 1.5x with uneven frames, Neon Drift at 1.5x.
    cases = {cases[0], cases[7], cases[10]};
#endif
    return cases;
}

const chart::Chart* chartNamed(const chart::Song& song, const std::string& difficulty)
{
    const auto found = std::find_if(song.charts.begin(), song.charts.end(),
                                    [&](const chart::Chart& chart) { return chart.difficulty == difficulty; });
    return found == song.charts.end() ? nullptr : &*found;
}

// Every note's press as the bot plans it, and each player's slot keys
// (one then the other) every 700 ms from the second note on.
std::vector<Press> planRound(const chart::Chart& first, const chart::Chart& second)
{
    std::mt19937 random(20261208);
    std::vector<Press> plan = AutoplayBot::planChartPresses(first, second, laneActions, laneActions,
                                                            random);
    const double from = plan.at(1).songMs;
    const double to = plan.back().songMs;
    for (double at = from; at < to; at += 700.0) {
        const auto slot = static_cast<std::uint8_t>(arrowtest::slot1 + static_cast<int>(at / 700.0) % 2);
        plan.push_back({at, 1, slot, -1.0});
        plan.push_back({at + 350.0, 2, slot, -1.0});
    }
    std::stable_sort(plan.begin(), plan.end(), [](const Press& a, const Press& b) { return a.songMs < b.songMs; });
    return plan;
}

// Frames of 20 ms, or of 10 to 24 ms as a loaded machine draws them, the
// same steps from the same start.
struct FrameSteps {
    explicit FrameSteps(bool uneven) : uneven(uneven) {}
    std::uint32_t next() { return uneven ? unevenMs(random) : evenFrameMs; }

    bool uneven;
    std::mt19937 random{7};
    std::uniform_int_distribution<std::uint32_t> unevenMs{10, 24};
};

// One frame as the main loop runs it: the stage's, then the awards of
// missiles for the points reached.
void loopFrame(ArrowStage& stage, std::uint32_t ms, const std::function<void()>& presses = {})
{
    stage.frame(ms, presses);
    GimmickManager::instance()->update();
}

// Presses each planned key in the frame its song time falls in, stamped with
// its own moment, holds it down on every frame up to its release and lets it
// up then (a tap on the next frame), until the song is over.
void playRound(ArrowStage& stage, const std::vector<Press>& plan, FrameSteps steps)
{
    const double rate = SoundManager::instance()->getMusicRate();
    std::vector<Press> held;
    std::size_t next = 0;
    stage.startSong(true);
    for (int frame = 0; frame < 100000 && !stage.arrows().songEnd().isOver(); ++frame) {
        const std::uint32_t ms = steps.next();
        const double from = stage.arrows().songRun().now();
        const double to = from + ms * rate;
        loopFrame(stage, ms, [&] {
            const auto tickAt = [&](double songMs) {
                return stage.now() - static_cast<std::uint32_t>(std::lround((to - std::max(songMs, from)) / rate));
            };
            for (auto key = held.begin(); key != held.end();) {
                if (key->releaseMs > to) {
                    stage.press(static_cast<std::uint8_t>(key->player), key->key, stage.now(), false);
                    ++key;
                    continue;
                }
                stage.release(static_cast<std::uint8_t>(key->player), key->key, tickAt(key->releaseMs));
                key = held.erase(key);
            }
            for (; next < plan.size() && plan[next].songMs <= to; ++next) {
                stage.press(static_cast<std::uint8_t>(plan[next].player), plan[next].key, tickAt(plan[next].songMs));
                held.push_back(plan[next]);
            }
        });
    }
    loopFrame(stage, evenFrameMs);
}

class ReplayRounds : public testing::TestWithParam<RoundCase> {};

} // namespace

TEST_P(ReplayRounds, GiveTheRoundsClosingLinesAgain)
{
    const RoundCase& round = GetParam();
    const std::filesystem::path folder = forgedSongs / round.song;
    const std::filesystem::path file = folder / (folder.filename().string() + ".sm");
    const chart::ReadResult read = chart::ChartFile::read(file);
    ASSERT_TRUE(read.ok());
    const chart::Chart* first = chartNamed(read.song, round.difficulties[0]);
    const chart::Chart* second = chartNamed(read.song, round.difficulties[1]);
    ASSERT_TRUE(first && second);
    const std::vector<Press> plan = planRound(*first, *second);
    // The stage's silent music under the forged steps, a little past the last note.
    const std::string steps = std::regex_replace(testsupport::readFile(file),
                                                 std::regex("#MUSIC:[^;]*;"), "#MUSIC:music.wav;");
    const int songMs = static_cast<int>(plan.back().songMs) + 3000;
    ArrowStage stage{Chart{"", "120.000", 1000, songMs, steps, {round.difficulties[0], round.difficulties[1]}}};
    ASSERT_TRUE(stage.arrows().getSong() != nullptr);
    SoundManager::instance()->setMusicRate(round.rate);

    playRound(stage, plan, FrameSteps(round.unevenFrames));
    ASSERT_TRUE(stage.arrows().songEnd().isOver());
    const std::string played = testsupport::closingLines(stage.log());
    ASSERT_NE(played.find("Song over"), std::string::npos);
    EXPECT_NE(played.find("Missile: exploded"), std::string::npos) << "no missile in the round";

    // The replay runs at the round's frame steps from the song's start on.
    stage.match().onKey(ResultsScreen::watchAgainKey);
    ASSERT_TRUE(stage.match().isReplaying());
    FrameSteps replayFrames(round.unevenFrames);
    for (int frame = 0; frame < 100000 && !stage.arrows().songEnd().isOver(); ++frame)
        loopFrame(stage, replayFrames.next());
    loopFrame(stage, evenFrameMs);
    EXPECT_EQ(testsupport::closingLines(stage.log()), played + played);
    SoundManager::instance()->setMusicRate(1.0);
}

INSTANTIATE_TEST_SUITE_P(ForgedSongs, ReplayRounds, testing::ValuesIn(roundCases()),
                         [](const testing::TestParamInfo<RoundCase>& info) { return info.param.name; });
