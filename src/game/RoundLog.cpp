#include "game/RoundLog.h"

#include "core/OutputHandler.h"

#include <algorithm>
#include <cmath>

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

void RoundLog::timing(int player, const std::vector<double>& pressErrors)
{
    std::vector<double> distances;
    for (const double error : pressErrors)
        distances.push_back(std::fabs(error));
    if (distances.empty())
        return;
    std::sort(distances.begin(), distances.end());
    const auto at = [&distances](double share) {
        return distances[static_cast<std::size_t>(share * static_cast<double>(distances.size() - 1) + 0.5)];
    };
    OutputHandler::log(OutputHandler::find(),
                       "ArrowManager: Player %d timing: %zu judged presses, median distance %.1f ms, 99th percentile "
                       "%.1f ms",
                       player, distances.size(), at(0.5), at(0.99));
}
