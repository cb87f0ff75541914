#include "game/Judgements.h"
#include "game/MsWindows.h"
#include "game/PressErrors.h"
#include "game/Rejudge.h"

#include <gtest/gtest.h>

namespace {

// A round judged as played: each press at `distanceMs` from its note, a
// second apart, and notes missed after them; the score counts the words the
// distances earned then, and `extra` points from a hold.
struct PlayedRound {
    PressErrors errors;
    std::array<PlayerScore, 2> scores;

    void play(int player, const std::vector<double>& distancesMs, int misses, std::uint32_t extra = 0)
    {
        PlayerScore& score = scores[static_cast<std::size_t>(player - 1)];
        double noteMs = 1000.0;
        for (const double distance : distancesMs) {
            const Judgement& word = Judgements::forQuality(MsWindows::qualityFor(distance));
            errors.record(player, noteMs, noteMs + distance, Judgements::indexOf(word.word));
            score.judged(Judgements::indexOf(word.word), word.points);
            noteMs += 1000.0;
        }
        for (int miss = 0; miss < misses; ++miss, noteMs += 1000.0) {
            errors.recordMiss(player, noteMs);
            score.missed();
        }
        score.holdKept(extra);
    }
    Rejudge::Result again(double shiftMs) const
    {
        return Rejudge::of(errors, {&scores[0], &scores[1]}, {scores[0].getPoints(), scores[1].getPoints()},
                           shiftMs);
    }
};

} // namespace

// Player 1 presses 30 ms late throughout, player 2 on time: an offset 30 ms
// larger makes player 1's "Perfect"s "Godlike" and player 2's "Godlike"s
// "Perfect", so the winner turns; presses shifted out of every window miss
// and end the combo. Hold points stay, and the missiles follow the points
// (the thresholds at 5000, 12000, 20000 and 30000).
TEST(Rejudge, AnOffsetMovesEveryPressAndTheWordsPointsCombosMissilesAndWinnerFollow)
{
    PlayedRound round;
    round.play(1, std::vector<double>(20, 30.0), 1, 100);
    round.play(2, std::vector<double>(20, 0.0), 0);
    const Rejudge::Result asPlayed = round.again(0.0);
    EXPECT_EQ(asPlayed.players[0].tally[1], 20u);
    EXPECT_EQ(asPlayed.players[0].points, 20 * 400 + 100);
    EXPECT_EQ(asPlayed.players[1].points, 20 * 800);
    EXPECT_EQ(asPlayed.winner, 2);
    EXPECT_EQ(asPlayed.players[1].missiles, 2u);
    EXPECT_EQ(asPlayed.players[0].missiles, 0u) << "player 2 reaches 5000 on the 7th press, player 1 on the 13th";

    const Rejudge::Result moved = round.again(30.0);
    EXPECT_EQ(moved.players[0].tally[0], 20u);
    EXPECT_EQ(moved.players[0].points, 20 * 800 + 100);
    EXPECT_EQ(moved.players[0].misses, 1u);
    EXPECT_EQ(moved.players[0].highestCombo, 20u);
    EXPECT_FALSE(moved.players[0].fullCombo);
    EXPECT_EQ(moved.players[1].tally[1], 20u);
    EXPECT_EQ(moved.players[1].points, 20 * 400);
    EXPECT_TRUE(moved.players[1].fullCombo);
    EXPECT_EQ(moved.winner, 1);
    EXPECT_EQ(moved.players[0].missiles, 2u) << "player 1 reaches 5000 on the 7th press now";

    const Rejudge::Result outOfReach = round.again(250.0);
    EXPECT_EQ(outOfReach.players[1].misses, 20u) << "250 ms early is out of every window";
    EXPECT_EQ(outOfReach.players[1].points, 0u);
    EXPECT_EQ(outOfReach.players[1].highestCombo, 0u);
    EXPECT_EQ(outOfReach.players[0].tally[4], 20u) << "220 ms early is still Booo";
    EXPECT_EQ(outOfReach.players[0].points, 20 * 50 + 100);
    EXPECT_EQ(outOfReach.winner, 1);
}
