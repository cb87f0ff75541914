#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/FairPoints.h"
#include "game/Judgements.h"
#include "game/MsWindows.h"
#include "game/Player.h"
#include "game/PlayerScore.h"
#include "game/PressErrors.h"
#include "game/Rejudge.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A player on the larger of two charts (maxima 3200 and 9200): the battle
// points follow the scaled total at every step, never the sum of scaled
// presses; points given from elsewhere stay; a mine never takes more than
// the points earned; the counts and the combo are as played.
TEST(PlayerScore, BattlePointsFollowTheScaledTotal)
{
    Player player;
    PlayerScore score;
    score.attach(2, &player, nullptr);
    score.setFairPoints(FairPoints(3200, 9200));

    score.judged(0, 800);
    EXPECT_EQ(player.getPoints(), 800u * 3200 / 9200);
    player.addPoints(1000);
    score.mineHit(200);
    EXPECT_EQ(score.getEarned(), 600u);
    EXPECT_EQ(player.getPoints(), 1000u + 600 * 3200 / 9200);
    score.mineHit(5000);
    EXPECT_EQ(score.getEarned(), 0u);
    EXPECT_EQ(player.getPoints(), 1000u);

    player.resetPoints();
    score.newRound();
    for (int note = 0; note < 11; ++note)
        score.judged(0, 800);
    score.holdKept(400);
    EXPECT_EQ(player.getPoints(), 3200u) << "a flawless run on the larger chart earns the smaller maximum";
    EXPECT_EQ(score.getPoints(), 3200u);
    EXPECT_EQ(score.getTally()[0], 11u);
    EXPECT_EQ(score.getCombo().highest(), 11u);
    EXPECT_TRUE(score.getCombo().fullCombo());
}

// A round as a string of events, as the score takes them: digits are
// judgements (0 "Godlike" to 4 "Booo"), 'm' an arrow missed (a blocked
// lane's too), 'n' a hold let go, 'b' a mine set off, 'k' a hold kept.
TEST(PlayerScore, ComboCountsGreatOrBetterAndEverythingElseEndsTheRun)
{
    const struct {
        const char* events;
        std::uint32_t current;
        std::uint32_t highest;
        bool fullCombo;
    } rounds[] = {{"", 0, 0, false},        {"0120k0k", 5, 5, true}, {"0003", 0, 3, false},
                  {"00004000", 3, 4, false}, {"0000m00", 2, 4, false}, {"012k0n0", 1, 4, false},
                  {"00b000", 3, 3, false},   {"m", 0, 0, false},       {"kkk", 0, 0, false}};
    for (const auto& round : rounds) {
        PlayerScore score;
        for (const char event : std::string(round.events)) {
            switch (event) {
            case 'm': score.missed(); break;
            case 'n': score.holdLetGo(); break;
            case 'b': score.mineHit(200); break;
            case 'k': score.holdKept(400); break;
            default: score.judged(static_cast<std::size_t>(event - '0'), 100);
            }
        }
        const Combo& combo = score.getCombo();
        EXPECT_EQ(combo.current(), round.current) << round.events;
        EXPECT_EQ(combo.highest(), round.highest) << round.events;
        EXPECT_EQ(combo.fullCombo(), round.fullCombo) << round.events;
        EXPECT_EQ(combo.shown(), round.current >= 4) << round.events;
        score.newRound();
        EXPECT_EQ(combo.highest(), 0u);
        EXPECT_FALSE(combo.fullCombo());
    }
}

// `taps` taps, then `holds` holds and `mines` mines, one per beat.
chart::Chart chartOf(int taps, int holds, int mines)
{
    chart::Chart chart;
    std::int64_t beat = 0;
    for (int index = 0; index < taps; ++index, ++beat)
        chart.notes.push_back({beat, beat, LaneLeft, chart::NoteKind::Tap});
    for (int index = 0; index < holds; ++index, beat += 2)
        chart.notes.push_back({beat, beat + 1, LaneUp, index % 2 ? chart::NoteKind::Roll : chart::NoteKind::Hold});
    for (int index = 0; index < mines; ++index, ++beat)
        chart.notes.push_back({beat, beat, LaneDown, chart::NoteKind::Mine});
    return chart;
}

// A run as the game counts it: each judged note with the points of its
// judgement, each hold kept, each mine hit taken off (never below 0).
std::uint32_t run(const chart::Chart& chart, std::size_t judgement, int minesHit = 0)
{
    std::uint32_t points = 0;
    for (const chart::Note& note : chart.notes) {
        if (note.kind != chart::NoteKind::Mine)
            points += Judgements::table[judgement].points;
        if (note.isHead())
            points += ChartPlayer::holdPoints;
    }
    for (int mine = 0; mine < minesHit; ++mine)
        points -= std::min(ChartPlayer::minePenalty, points);
    return points;
}

} // namespace

TEST(FairPoints, FlawlessRunsOnChartsOfDifferentSizesTie)
{
    const chart::Chart small = chartOf(100, 0, 0);
    const chart::Chart large = chartOf(330, 70, 25); // 400 notes, holds and rolls, and mines
    ASSERT_EQ(FairPoints::flawlessMaximum(small), 80000u);
    ASSERT_EQ(FairPoints::flawlessMaximum(large), 400u * 800 + 70 * 400);
    ASSERT_EQ(run(small, 0), FairPoints::flawlessMaximum(small)) << "the maximum is what the game awards";
    ASSERT_EQ(run(large, 0), FairPoints::flawlessMaximum(large));

    for (const bool largeFirst : {false, true}) {
        const FairPoints fair = largeFirst
            ? FairPoints(FairPoints::flawlessMaximum(large), FairPoints::flawlessMaximum(small))
            : FairPoints(FairPoints::flawlessMaximum(small), FairPoints::flawlessMaximum(large));
        const int smallPlayer = largeFirst ? 2 : 1;
        const int largePlayer = 3 - smallPlayer;
        EXPECT_TRUE(fair.scales());
        EXPECT_EQ(fair.scaled(smallPlayer, run(small, 0)), 80000u);
        EXPECT_EQ(fair.scaled(largePlayer, run(large, 0)), 80000u);
        // One hold let go, a mine hit, all "Perfect": less than flawless.
        EXPECT_LT(fair.scaled(largePlayer, run(large, 0) - 400), 80000u);
        EXPECT_LT(fair.scaled(largePlayer, run(large, 0, 1)), 80000u);
        EXPECT_LT(fair.scaled(largePlayer, run(large, 1)), fair.scaled(smallPlayer, run(small, 0)));
        // Rounded down, never above the player's own points, and never lower
        // for more points (the missile thresholds come in order).
        std::uint32_t previous = 0;
        for (const std::uint32_t points : {0u, 1u, 4u, 5u, 799u, 800u, 1200u, 5000u, 340000u}) {
            const std::uint32_t scaled = fair.scaled(largePlayer, points);
            EXPECT_EQ(scaled, static_cast<std::uint32_t>(std::uint64_t{points} * 80000 / 348000)) << points;
            EXPECT_GE(scaled, previous);
            previous = scaled;
        }
    }
}

TEST(FairPoints, TheSameChartOrAChartWithoutNotesGivesTheGamesOwnPoints)
{
    const chart::Chart chart = chartOf(100, 30, 5);
    const std::uint64_t maximum = FairPoints::flawlessMaximum(chart);
    const FairPoints cases[] = {FairPoints(), FairPoints(maximum, maximum), FairPoints(0, maximum),
                                FairPoints(maximum, 0)};
    for (const FairPoints& fair : cases) {
        EXPECT_FALSE(fair.scales());
        for (int player : {1, 2}) {
            for (const std::uint32_t points : {0u, 50u, 12345u, run(chart, 2, 3), run(chart, 0), 4294967295u})
                EXPECT_EQ(fair.scaled(player, points), points);
        }
    }
    EXPECT_EQ(FairPoints::flawlessMaximum(chartOf(0, 0, 8)), 0u) << "mines earn nothing";
}

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
