#include "game/RoundLog.h"

#include "core/OutputHandler.h"
#include "game/TimingSummary.h"

#include <optional>

void RoundLog::totals(const std::array<std::uint32_t, 2>& points, const std::array<PlayerScore, 2>& scores,
                      const std::string& winner)
{
    OutputHandler* log = OutputHandler::find();
    const auto& one = scores[0].getTally();
    const auto& two = scores[1].getTally();
    OutputHandler::log(log,
                       "ArrowManager: Song over. Player 1: %u points (%u Godlike, %u Perfect, %u Great, %u Good, "
                       "%u Booo); Player 2: %u points (%u Godlike, %u Perfect, %u Great, %u Good, %u Booo); "
                       "winner: %s",
                       points[0], one[0], one[1], one[2], one[3], one[4], points[1], two[0], two[1], two[2], two[3],
                       two[4], winner.c_str());
    for (int player = 1; player <= 2; ++player) {
        const PlayerScore& score = scores[static_cast<std::size_t>(player - 1)];
        OutputHandler::log(log, "ArrowManager: Player %d highest combo %u%s; %u points earned, %u in the battle", player,
                           score.getCombo().highest(), score.getCombo().fullCombo() ? " (full combo)" : "",
                           score.getEarned(), score.getPoints());
    }
}

void RoundLog::chartResults(const std::array<std::unique_ptr<ChartPlayer>, 2>& chartPlayers)
{
    for (int player = 1; player <= 2; ++player) {
        const ChartPlayer* chartPlayer = chartPlayers[static_cast<std::size_t>(player - 1)].get();
        if (!chartPlayer)
            return;
        const ChartPlayer::Results& results = chartPlayer->getResults();
        OutputHandler::log(OutputHandler::find(), "ArrowManager: Player %d holds OK %u, NG %u; mines hit %u", player,
                           results.holdsOk, results.holdsNg, results.minesHit);
    }
}

// The spread, then the offset (calibrate it) apart from the drift (a fault).
void RoundLog::timing(int player, const std::vector<double>& noteMs, const std::vector<double>& pressErrors)
{
    const std::optional<TimingSummary::Figures> timing = TimingSummary::of(noteMs, pressErrors);
    if (!timing)
        return;
    OutputHandler::log(OutputHandler::find(),
                       "ArrowManager: Player %d timing: %zu judged presses, median distance %.1f ms, 99th percentile "
                       "%.1f ms; mean signed distance %+.1f ms (farthest from it %.1f ms), drift %+.2f ms per minute "
                       "(around it: 99th percentile %.1f ms)",
                       player, timing->presses, timing->medianMs, timing->p99Ms, timing->meanMs,
                       timing->farthestFromMeanMs, timing->driftMsPerMinute, timing->spreadP99Ms);
}
