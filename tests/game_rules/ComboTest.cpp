#include "game/Combo.h"

#include <gtest/gtest.h>

#include <string>

// A round as a string of events: digits are judgements (0 "Godlike" to 4
// "Booo"), 'm' an arrow missed (a blocked lane's too), 'n' a hold let go,
// 'b' a mine set off, 'k' a hold kept.
TEST(Combo, GreatOrBetterCountsAndEverythingElseEndsTheRun)
{
    const struct {
        const char* events;
        std::uint32_t current;
        std::uint32_t highest;
        bool fullCombo;
    } rounds[] = {
        {"", 0, 0, false},
        {"0120k0k", 5, 5, true},
        {"0003", 0, 3, false},
        {"00004000", 3, 4, false},
        {"0000m00", 2, 4, false},
        {"012k0n0", 1, 4, false},
        {"00b000", 3, 3, false},
        {"m", 0, 0, false},
        {"kkk", 0, 0, false},
    };
    for (const auto& round : rounds) {
        Combo combo;
        for (const char event : std::string(round.events)) {
            switch (event) {
            case 'm': combo.missed(); break;
            case 'n': combo.holdLetGo(); break;
            case 'b': combo.mineHit(); break;
            case 'k': break;
            default: combo.judged(static_cast<std::size_t>(event - '0'));
            }
        }
        EXPECT_EQ(combo.current(), round.current) << round.events;
        EXPECT_EQ(combo.highest(), round.highest) << round.events;
        EXPECT_EQ(combo.fullCombo(), round.fullCombo) << round.events;
        EXPECT_EQ(combo.shown(), round.current >= 4) << round.events;
        combo.reset();
        EXPECT_EQ(combo.highest(), 0u);
        EXPECT_FALSE(combo.fullCombo());
    }
}
