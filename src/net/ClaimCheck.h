#pragma once

#include "game/FairPoints.h"
#include "net/NetMessage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace chart {
struct Chart;
}

namespace net {

// Checks what the other machine tells about its own player against the
// chart this machine has too. Each machine judges its own player, so the
// other's words must be taken on trust, but not words that cannot be true:
// an arrow the chart does not have or one judged twice, a press far from
// its note, more hold ends or mines than the chart has, points the accepted
// words do not add up to, missiles or thresholds never earned, a missile of
// ours "spent" in a lane it never blocked, and song-end totals unlike the
// words accepted. Each such claim is refused; the first of each kind in a
// round is logged, and the counts at the round's end. A peer refused
// refusalLimit times in a round is to be let go.
class ClaimCheck {
public:
    enum class Refusal : std::uint8_t {
        UnknownArrow,
        JudgedTwice,
        OutsideSong,
        TooManyJudgements,
        UnearnedPoints,
        UnearnedMissile,
        UnearnedStore,
        SpentUnblocked,
        TotalsDisagree,
        Count,
    };
    static constexpr std::uint32_t refusalLimit = 5;
    // How far from its note a press may be told: the judgement window and
    // the scroll speed allow up to two beats; a message may come late by up
    // to the silence that loses the peer.
    static constexpr double beatsAroundNote = 2.0;
    static constexpr double earlySlackMs = 500.0;
    static constexpr double lateSlackMs = 5000.0;
    // A missile is spent only in a lane an earlier one still blocks.
    static constexpr double blockSlackMs = 500.0;

    explicit ClaimCheck(int remotePlayer = 2) : remote(remotePlayer) {}

    // A new round on the remote player's chart (null for the game's own
    // song, whose arrows are not checked one by one), with the fair points
    // that scale that player's points and the player's number.
    void startRound(const chart::Chart* chart, const FairPoints& fair, int remotePlayer);
    // The round is over: one line per refused kind with its count.
    void endRound();

    // Each is true when the claim may be taken. `songMs` is this machine's
    // song clock; `songRunning` whether this machine plays the song.
    bool judgement(const Judgement& judgement, bool songRunning, double songMs);
    bool pointsState(const PointsState& state);
    bool launch(const MissileLaunched& launched);
    // What became of one of ours, flying in `lane` of the other field.
    bool outcome(const MissileOutcome& outcome, int lane);
    bool songEnd(const SongEnd& end);

    // The peer made too many impossible claims this round.
    bool tooMany() const { return refusals >= refusalLimit; }
    std::uint32_t refused(Refusal kind) const { return counts[static_cast<std::size_t>(kind)]; }
    // The remote player's totals as far as the claims taken go.
    SongEnd acceptedTotals() const;
    // The remote player's points as last taken.
    std::uint32_t acceptedPoints() const { return points; }

private:
    struct Note {
        std::uint8_t lane = 0;
        double earliestMs = 0.0;
        double latestMs = 0.0;
        bool judged = false;
    };

    bool refuse(Refusal kind, const std::string& detail);
    bool pressJudgement(const Judgement& judgement, double songMs);
    bool endJudgement(const Judgement& judgement);
    std::uint64_t pointsCeiling() const;

    bool knowsChart = false;
    FairPoints fair;
    int remote = 2;
    std::vector<Note> notes; // the judged notes by arrow number - 1
    std::uint32_t holds = 0;
    std::uint32_t mines = 0;

    std::array<std::uint32_t, resultWordCount> words{};
    std::uint32_t holdsOk = 0;
    std::uint32_t holdsNg = 0;
    std::uint32_t minesHit = 0;
    std::uint32_t points = 0;
    std::uint32_t peakPoints = 0;
    std::uint16_t thresholds = 0;
    std::uint32_t launches = 0;
    std::array<double, laneCount> laneBlockedUntilMs{};

    std::uint32_t refusals = 0;
    std::array<std::uint32_t, static_cast<std::size_t>(Refusal::Count)> counts{};
};

} // namespace net
