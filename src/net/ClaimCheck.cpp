#include "net/ClaimCheck.h"

#include "chart/Chart.h"
#include "core/OutputHandler.h"
#include "game/Judgements.h"
#include "game/MissileStore.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace net {

namespace {

constexpr std::uint8_t okWord = 5;
constexpr std::uint8_t ngWord = 6;
constexpr std::uint8_t boomWord = 7;

// What each refusal's lines say the claim was.
constexpr std::array<const char*, static_cast<std::size_t>(ClaimCheck::Refusal::Count)> refusalNames{
    "judgements of arrows the chart does not have",
    "judgements of arrows judged before",
    "presses outside the song",
    "more hold ends or mines than the chart has",
    "points the judgements do not add up to",
    "missiles launched that were never earned",
    "thresholds or stored missiles never earned",
    "missiles said to be spent in lanes they never blocked",
    "song-end totals unlike the judgements",
};

constexpr double noBlock = -std::numeric_limits<double>::infinity();

} // namespace

void ClaimCheck::startRound(const chart::Chart* chart, const FairPoints& fairPoints, int remotePlayer)
{
    // What was refused before the song counts on into the round.
    const auto refusedSoFar = counts;
    const std::uint32_t refusalsSoFar = refusals;
    *this = ClaimCheck{remotePlayer};
    counts = refusedSoFar;
    refusals = refusalsSoFar;
    fair = fairPoints;
    laneBlockedUntilMs.fill(noBlock);
    knowsChart = chart != nullptr;
    if (!chart)
        return;
    // The arrow manager numbers a player's judged notes (not mines, not
    // fakes) from 1 in the chart's order.
    for (const chart::Note& note : chart->notes) {
        if (note.kind == chart::NoteKind::Mine) {
            ++mines;
            continue;
        }
        if (note.kind == chart::NoteKind::Fake)
            continue;
        holds += note.isHead() ? 1 : 0;
        const double beat = note.beat.value();
        const double noteMs = chart->tempo.msAt(beat);
        Note judged;
        judged.lane = static_cast<std::uint8_t>(note.lane);
        judged.earliestMs = std::min(chart->tempo.msAt(beat - beatsAroundNote), noteMs - 1000.0) - earlySlackMs;
        judged.latestMs = std::max(chart->tempo.msAt(beat + beatsAroundNote), noteMs + 1000.0) + lateSlackMs;
        notes.push_back(judged);
    }
}

void ClaimCheck::endRound()
{
    for (std::size_t kind = 0; kind < counts.size(); ++kind) {
        if (counts[kind] > 0)
            OutputHandler::log(OutputHandler::find(), "NetBattle: Refused %u claims of the other machine: %s",
                               counts[kind], refusalNames[kind]);
    }
    counts.fill(0);
    refusals = 0;
}

bool ClaimCheck::refuse(Refusal kind, const std::string& detail)
{
    ++refusals;
    if (counts[static_cast<std::size_t>(kind)]++ == 0)
        OutputHandler::log(OutputHandler::find(),
                           "NetBattle: Refused a claim of the other machine (%s): %s; more of this kind are counted",
                           refusalNames[static_cast<std::size_t>(kind)], detail.c_str());
    return false;
}

bool ClaimCheck::judgement(const Judgement& judgement, bool songRunning, double songMs)
{
    if (judgement.player != remote)
        return true;
    if (!songRunning)
        return refuse(Refusal::OutsideSong, "a judgement with no song playing");
    return judgement.word < resultWordCount ? pressJudgement(judgement, songMs) : endJudgement(judgement);
}

bool ClaimCheck::pressJudgement(const Judgement& judgement, double songMs)
{
    const std::string arrow = "arrow " + std::to_string(judgement.noteIndex);
    if (judgement.noteIndex == 0)
        return refuse(Refusal::UnknownArrow, "a press word without an arrow");
    if (knowsChart) {
        if (judgement.noteIndex > notes.size() || notes[judgement.noteIndex - 1].lane != judgement.lane)
            return refuse(Refusal::UnknownArrow, arrow + " in lane " + std::to_string(judgement.lane) + " of "
                              + std::to_string(notes.size()));
        Note& note = notes[judgement.noteIndex - 1];
        if (note.judged)
            return refuse(Refusal::JudgedTwice, arrow);
        if (songMs < note.earliestMs || songMs > note.latestMs)
            return refuse(Refusal::OutsideSong, arrow + " at song time " + std::to_string(static_cast<long>(songMs))
                              + " ms");
        note.judged = true;
    }
    ++words[judgement.word];
    if (static_cast<std::uint64_t>(std::max(judgement.pointsAfter, 0)) > pointsCeiling()) {
        --words[judgement.word];
        if (knowsChart)
            notes[judgement.noteIndex - 1].judged = false;
        return refuse(Refusal::UnearnedPoints, std::to_string(judgement.pointsAfter) + " points with " + arrow);
    }
    points = static_cast<std::uint32_t>(std::max(judgement.pointsAfter, 0));
    peakPoints = std::max(peakPoints, points);
    return true;
}

// A hold's end or a mine: the chart has only so many.
bool ClaimCheck::endJudgement(const Judgement& judgement)
{
    if (judgement.noteIndex != 0)
        return refuse(Refusal::UnknownArrow, "a hold's end or mine with arrow " + std::to_string(judgement.noteIndex));
    std::uint32_t& count = judgement.word == okWord ? holdsOk : judgement.word == ngWord ? holdsNg : minesHit;
    const std::uint32_t limit = judgement.word == boomWord ? mines : holds;
    const bool counted = judgement.word == okWord || judgement.word == ngWord || judgement.word == boomWord;
    if (!counted)
        return refuse(Refusal::UnknownArrow, "the word of a press without an arrow");
    if (knowsChart && (judgement.word == boomWord ? count : holdsOk + holdsNg) >= limit)
        return refuse(Refusal::TooManyJudgements, std::string(judgementWords[judgement.word]) + " beyond the chart's "
                          + std::to_string(limit));
    ++count;
    return true;
}

// Every accepted press word's points and every hold kept, scaled as the
// battle counts them.
std::uint64_t ClaimCheck::pointsCeiling() const
{
    std::uint64_t earned = holdsOk * FairPoints::holdPoints;
    for (std::size_t word = 0; word < words.size(); ++word)
        earned += std::uint64_t{words[word]} * Judgements::table[word].points;
    return fair.scaled(remote, static_cast<std::uint32_t>(std::min<std::uint64_t>(earned, maxPoints)));
}

bool ClaimCheck::pointsState(const PointsState& state)
{
    const auto claimed = static_cast<std::uint32_t>(std::max(state.points, 0));
    if (claimed > pointsCeiling())
        return refuse(Refusal::UnearnedPoints, std::to_string(claimed) + " points where the judgements give at most "
                          + std::to_string(pointsCeiling()));
    const std::uint32_t peak = std::max(peakPoints, claimed);
    for (std::size_t threshold = 0; threshold < MissileStore::thresholdCount; ++threshold) {
        if ((state.thresholdsAwarded >> threshold & 1u) && peak < MissileStore::thresholds[threshold])
            return refuse(Refusal::UnearnedStore, "threshold " + std::to_string(threshold) + " at "
                              + std::to_string(peak) + " points");
    }
    const int earned = std::popcount(state.thresholdsAwarded);
    const int stored = std::popcount(state.missilesInStore);
    if (stored + static_cast<int>(launches) > earned)
        return refuse(Refusal::UnearnedStore, std::to_string(stored) + " missiles stored and "
                          + std::to_string(launches) + " launched of " + std::to_string(earned) + " earned");
    points = claimed;
    peakPoints = peak;
    thresholds = state.thresholdsAwarded;
    return true;
}

bool ClaimCheck::launch(const MissileLaunched& launched)
{
    if (static_cast<int>(launches) >= std::popcount(thresholds))
        return refuse(Refusal::UnearnedMissile, "from slot " + std::to_string(launched.slot) + " with "
                          + std::to_string(launches) + " launched of " + std::to_string(std::popcount(thresholds))
                          + " earned");
    ++launches;
    return true;
}

bool ClaimCheck::outcome(const MissileOutcome& outcome, int lane)
{
    double& blockedUntil = laneBlockedUntilMs[static_cast<std::size_t>(std::clamp(lane, 0, laneCount - 1))];
    if (outcome.fate != MissileFate::Spent) {
        blockedUntil = std::max(blockedUntil, static_cast<double>(outcome.blockEndMs));
        return true;
    }
    if (outcome.blockStartMs > blockedUntil + blockSlackMs)
        return refuse(Refusal::SpentUnblocked, "missile " + std::to_string(outcome.missile) + " in lane "
                          + std::to_string(lane));
    return true;
}

bool ClaimCheck::songEnd(const SongEnd& end)
{
    const SongEnd taken = acceptedTotals();
    const bool same = end.words == taken.words && end.holdsOk == taken.holdsOk && end.holdsNg == taken.holdsNg
        && end.minesHit == taken.minesHit && end.points >= 0
        && static_cast<std::uint64_t>(end.points) <= pointsCeiling();
    if (!same)
        return refuse(Refusal::TotalsDisagree, std::to_string(end.points) + " points and "
                          + std::to_string(end.words[0]) + " Godlike where " + std::to_string(taken.points)
                          + " and " + std::to_string(taken.words[0]) + " were taken");
    points = static_cast<std::uint32_t>(end.points);
    return true;
}

SongEnd ClaimCheck::acceptedTotals() const
{
    SongEnd totals;
    for (std::size_t word = 0; word < words.size(); ++word)
        totals.words[word] = static_cast<std::uint16_t>(std::min<std::uint32_t>(words[word], 0xffff));
    totals.holdsOk = static_cast<std::uint16_t>(std::min<std::uint32_t>(holdsOk, 0xffff));
    totals.holdsNg = static_cast<std::uint16_t>(std::min<std::uint32_t>(holdsNg, 0xffff));
    totals.minesHit = static_cast<std::uint16_t>(std::min<std::uint32_t>(minesHit, 0xffff));
    totals.points = static_cast<std::int32_t>(std::min<std::uint32_t>(points, maxPoints));
    return totals;
}

} // namespace net
