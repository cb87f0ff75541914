#include "app/AutoplayBot.h"
#include "game/Gimmick.h"
#include "game/Player.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

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
    std::vector<AutoplayBot::Press> first;
    for (const auto& press : presses)
        if (press.player == 1)
            first.push_back(press);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].key, 'W');
    EXPECT_DOUBLE_EQ(first[0].songMs, 1000.0);
    EXPECT_EQ(first[1].key, 'A');
    EXPECT_DOUBLE_EQ(first[1].songMs, 1750.0);
    EXPECT_EQ(first[2].key, 'S');
    EXPECT_DOUBLE_EQ(first[2].songMs, 1750.0);
    EXPECT_EQ(presses.size(), 6u);
}

// Player 2 scatters within the limit, the same way for the same seed, and
// the plan stays in song order.
TEST(AutoplayBotPlan, PlayerTwoScattersReproduciblyWithinTheLimit)
{
    const std::string notes(400, '8');
    const auto presses = plan(notes, 128.0f, 0);
    bool scattered = false;
    for (std::size_t i = 0; i < presses.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(presses[i - 1].songMs, presses[i].songMs);
        }
        if (presses[i].player != 2)
            continue;
        EXPECT_EQ(presses[i].key, 0x26);
        const double beat = std::round(presses[i].songMs / (30000.0 / 128.0)) * (30000.0 / 128.0);
        EXPECT_LE(std::abs(presses[i].songMs - beat), AutoplayBot::spreadLimitMs);
        scattered = scattered || std::abs(presses[i].songMs - beat) > 25.0;
    }
    EXPECT_TRUE(scattered);
    const auto again = plan(notes, 128.0f, 0);
    ASSERT_EQ(again.size(), presses.size());
    for (std::size_t i = 0; i < presses.size(); ++i)
        EXPECT_EQ(again[i].songMs, presses[i].songMs);
}

TEST(AutoplayBotPlan, NoTempoOrNoNotesPlansNothing)
{
    EXPECT_TRUE(plan("8888", 0.0f, 0).empty());
    EXPECT_TRUE(plan("8888", -60.0f, 0).empty());
    EXPECT_TRUE(plan("8888", std::nanf(""), 0).empty());
    EXPECT_TRUE(plan("", 120.0f, 0).empty());
    EXPECT_TRUE(plan("0000", 120.0f, 0).empty());
}

// Slot keys 1 and 3 fire slot 1, slot keys 2 and 4 slot 0; slots 2 and 3
// have no key.
TEST(AutoplayBotMissiles, FiresEachFireableSlotWithItsKey)
{
    EXPECT_EQ(AutoplayBot::fireKeyIndex(0), std::optional<int>(Player::KeySlot2));
    EXPECT_EQ(AutoplayBot::fireKeyIndex(1), std::optional<int>(Player::KeySlot1));
    EXPECT_FALSE(AutoplayBot::fireKeyIndex(2));
    EXPECT_FALSE(AutoplayBot::fireKeyIndex(3));
    EXPECT_FALSE(AutoplayBot::fireKeyIndex(-1));
}

// The bot reaches for a missile inside the catch window but off its centre,
// where a catch would block the lane for next to no time.
TEST(AutoplayBotMissiles, CatchesOnlyInsideTheWindowAwayFromItsCentre)
{
    EXPECT_FALSE(AutoplayBot::inCatchReach(Gimmick::windowLow));
    EXPECT_FALSE(AutoplayBot::inCatchReach(AutoplayBot::catchFromHeight - 0.01f));
    EXPECT_TRUE(AutoplayBot::inCatchReach(AutoplayBot::catchFromHeight));
    EXPECT_TRUE(AutoplayBot::inCatchReach(1.99f));
    EXPECT_FALSE(AutoplayBot::inCatchReach(Gimmick::windowHigh));
    EXPECT_FALSE(AutoplayBot::inCatchReach(std::nanf("")));
    EXPECT_GT(Gimmick::windowCentre - AutoplayBot::catchFromHeight, 0.2f);
}
