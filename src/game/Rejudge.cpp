#include "game/Rejudge.h"

#include "game/Combo.h"
#include "game/Judgements.h"
#include "game/MsWindows.h"
#include "game/PressErrors.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

namespace {

constexpr std::size_t missed = Judgements::count;

// One note of the round as judged again: its song time and word (`missed`
// for none), and the earned points after it.
struct Step {
    double songMs = 0.0;
    std::size_t word = missed;
    std::uint32_t earnedAfter = 0;
};

std::size_t wordFor(double distanceMs)
{
    const float quality = MsWindows::qualityFor(distanceMs);
    return quality == 0.0f ? missed : Judgements::indexOf(Judgements::forQuality(quality).word);
}

std::vector<Step> stepsOf(const PressErrors& errors, int player, double shiftMs)
{
    std::vector<Step> steps;
    const std::vector<double>& notes = errors.notesOf(player);
    const std::vector<double>& distances = errors.of(player);
    const std::vector<std::size_t>& words = errors.judgementsOf(player);
    for (std::size_t index = 0; index < notes.size() && index < distances.size() && index < words.size(); ++index)
        steps.push_back({notes[index], wordFor(distances[index] - shiftMs)});
    for (const double noteMs : errors.missesOf(player))
        steps.push_back({noteMs, missed});
    std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.songMs < b.songMs; });
    return steps;
}

// The points the presses earned as judged when the round was played.
std::uint32_t pressPointsAsPlayed(const PressErrors& errors, int player)
{
    std::uint32_t points = 0;
    for (const std::size_t word : errors.judgementsOf(player)) {
        if (word < Judgements::count)
            points += Judgements::table[word].points;
    }
    return points;
}

// The song time at which the player's points in the battle first reach
// `threshold`; infinity when they never do.
double reachedAt(const std::vector<Step>& steps, const FairPoints& fair, int player, std::uint32_t base,
                 std::uint32_t threshold)
{
    for (const Step& step : steps) {
        if (base + fair.scaled(player, step.earnedAfter) >= threshold)
            return step.songMs;
    }
    return std::numeric_limits<double>::infinity();
}

} // namespace

Rejudge::Result Rejudge::of(const PressErrors& errors, const std::array<const PlayerScore*, 2>& scores,
                            const std::array<std::uint32_t, 2>& battlePoints, double shiftMs)
{
    Result result;
    std::array<std::vector<Step>, 2> steps;
    std::array<std::uint32_t, 2> base{};
    for (int player = 1; player <= 2; ++player) {
        const auto at = static_cast<std::size_t>(player - 1);
        Side& side = result.players[at];
        const PlayerScore& score = *scores[at];
        steps[at] = stepsOf(errors, player, shiftMs);
        // Holds and mines keep what they earned and cost.
        const std::uint32_t played = pressPointsAsPlayed(errors, player);
        std::uint32_t earned = score.getEarned() - std::min(score.getEarned(), played);
        Combo combo;
        for (Step& step : steps[at]) {
            if (step.word == missed) {
                ++side.misses;
                combo.missed();
            } else {
                ++side.tally[step.word];
                combo.judged(step.word);
                earned += Judgements::table[step.word].points;
            }
            step.earnedAfter = earned;
        }
        side.highestCombo = combo.highest();
        side.fullCombo = combo.fullCombo();
        side.earned = earned;
        const FairPoints& fair = score.getFairPoints();
        base[at] = battlePoints[at] - std::min(battlePoints[at], score.getPoints());
        side.points = base[at] + fair.scaled(player, earned);
    }
    for (const std::uint32_t threshold : MissileStore::thresholds) {
        const double first = reachedAt(steps[0], scores[0]->getFairPoints(), 1, base[0], threshold);
        const double second = reachedAt(steps[1], scores[1]->getFairPoints(), 2, base[1], threshold);
        if (first <= second && first != std::numeric_limits<double>::infinity())
            ++result.players[0].missiles;
        else if (second < first)
            ++result.players[1].missiles;
    }
    const std::uint32_t first = result.players[0].points;
    const std::uint32_t second = result.players[1].points;
    result.winner = first == second ? 0 : first > second ? 1 : 2;
    return result;
}
