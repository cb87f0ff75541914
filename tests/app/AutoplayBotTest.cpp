#include "app/AutoplayBot.h"
#include "chart/ChartFile.h"
#include "game/Gimmick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

namespace {

// Keys by lane: Left, Up, Right, Down, then the slots (unused by the plan).
constexpr std::array<std::uint8_t, 8> keys1{'A', 'W', 'D', 'S', 'Q', 'E', 'X', 'C'};
constexpr std::array<std::uint8_t, 8> keys2{0x25, 0x26, 0x27, 0x28, 'O', 'P', 'L', 'K'};

std::vector<AutoplayBot::Press> plan(const std::string& notes, float bpm, int gap, std::uint32_t seed = 7)
{
    std::mt19937 random(seed);
    return AutoplayBot::planPresses(notes, bpm, gap, keys1.data(), keys2.data(), random);
}

} // namespace

// Notes sit half a beat apart from the gap on; "1" is Left and Down at once.
TEST(AutoplayBotPlan, PlayerOnePressesOnTheBeatOfEveryNote)
{
    const auto presses = plan("8001", 120.0f, 1000);
    std::vector<std::pair<int, double>> first;
    for (const auto& press : presses)
        if (press.player == 1)
            first.emplace_back(press.key, press.songMs);
    EXPECT_EQ(first, (std::vector<std::pair<int, double>>{{'W', 1000.0}, {'A', 1750.0}, {'S', 1750.0}}));
    EXPECT_EQ(presses.size(), 6u);
}

// Player 2 scatters within the limit, the same way for the same seed, and
// the plan stays in song order.
TEST(AutoplayBotPlan, PlayerTwoScattersReproduciblyWithinTheLimit)
{
    const std::string notes(400, '8');
    const auto presses = plan(notes, 128.0f, 0);
    const double beatMs = 30000.0 / 128.0;
    double widest = 0;
    for (std::size_t i = 0; i < presses.size(); ++i) {
        EXPECT_LE(presses[i > 0 ? i - 1 : 0].songMs, presses[i].songMs) << i;
        if (presses[i].player == 2) {
            EXPECT_EQ(presses[i].key, 0x26);
            widest = std::max(widest, std::abs(presses[i].songMs - std::round(presses[i].songMs / beatMs) * beatMs));
        }
    }
    EXPECT_GT(widest, 25.0);
    EXPECT_LE(widest, AutoplayBot::spreadLimitMs);
    const auto again = plan(notes, 128.0f, 0);
    EXPECT_TRUE(std::equal(presses.begin(), presses.end(), again.begin(), again.end(),
        [](const AutoplayBot::Press& a, const AutoplayBot::Press& b) { return a.songMs == b.songMs; }));
}

// Of a player's chart, taps, lifts and hold heads are pressed; mines and
// fakes (written 'F' or inside a #FAKES segment) never. A lift's key goes
// down shortly before it and up on it.
TEST(AutoplayBotPlan, ChartsPressNeitherMinesNorFakes)
{
    const chart::ReadResult read = chart::ChartFile::parse(
        "#BPMS:0=60;#FAKES:3=1;#NOTES:dance-single::Hard:1::1F00\n0M0L\n2000\n3001\n;", chart::ChartFormat::Sm);
    ASSERT_TRUE(read.ok() && read.song.charts.size() == 1) << read.error;
    std::mt19937 random(1);
    std::vector<std::tuple<int, double, double>> first;
    for (const auto& press : AutoplayBot::planChartPresses(read.song.charts[0], read.song.charts[0], keys1.data(),
             keys2.data(), random))
        if (press.player == 1)
            first.emplace_back(press.key, press.songMs, press.releaseMs);
    const double liftPress = 1000.0 - AutoplayBot::liftLeadMs;
    EXPECT_EQ(first, (std::vector<std::tuple<int, double, double>>{
                         {'A', 0.0, -1.0}, {'D', liftPress, 1000.0}, {'A', 2000.0, 3030.0}}));
}

TEST(AutoplayBotPlan, NoTempoOrNoNotesPlansNothing)
{
    for (const float bpm : {0.0f, -60.0f, std::nanf("")})
        EXPECT_TRUE(plan("8888", bpm, 0).empty()) << bpm;
    for (const char* notes : {"", "0000"})
        EXPECT_TRUE(plan(notes, 120.0f, 0).empty()) << notes;
}

// The bot reaches for a missile inside the catch window but off its centre,
// where a catch would block the lane for next to no time.
TEST(AutoplayBotMissiles, CatchesOnlyInsideTheWindowAwayFromItsCentre)
{
    const std::pair<float, bool> heights[] = {{Gimmick::windowLow, false},
        {AutoplayBot::catchFromHeight - 0.01f, false}, {AutoplayBot::catchFromHeight, true}, {1.99f, true},
        {Gimmick::windowHigh, false}, {std::nanf(""), false}};
    for (const auto& [height, reached] : heights)
        EXPECT_EQ(AutoplayBot::inCatchReach(height), reached) << height;
}
