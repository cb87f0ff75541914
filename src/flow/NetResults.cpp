#include "flow/NetResults.h"

#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "flow/PointsRelay.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "net/NetSession.h"

#include <algorithm>
#include <array>
#include <string>

void NetResults::update(bool connected)
{
    if (match.getArrows().songEnd().isOver() && !songEndSent)
        sendSongEnd();
    if (songEndSent && !resultsLogged && (remoteTotals || !connected))
        logResults();
}

void NetResults::forget()
{
    songEndSent = false;
    remoteTotals.reset();
    resultsLogged = false;
}

ResultsBoard::Counts NetResults::localCounts() const
{
    const ArrowManager& arrows = match.getArrows();
    ResultsBoard::Counts counts;
    counts.judgements = arrows.judging().scoreOf(localPlayer).getTally();
    counts.points = points.localPoints();
    if (const ChartPlayer* chartPlayer = arrows.getChartPlayer(localPlayer)) {
        counts.holdsAndMines = true;
        counts.holdsOk = chartPlayer->getResults().holdsOk;
        counts.holdsNg = chartPlayer->getResults().holdsNg;
        counts.minesHit = chartPlayer->getResults().minesHit;
    }
    return counts;
}

void NetResults::sendSongEnd()
{
    songEndSent = true;
    points.send();
    const ResultsBoard::Counts counts = localCounts();
    net::SongEnd end;
    end.points = static_cast<std::int32_t>(std::min<std::uint32_t>(counts.points, net::maxPoints));
    for (std::size_t index = 0; index < end.words.size(); ++index)
        end.words[index] = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts.judgements[index], 0xffff));
    end.holdsOk = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts.holdsOk, 0xffff));
    end.holdsNg = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts.holdsNg, 0xffff));
    end.minesHit = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts.minesHit, 0xffff));
    session.send(end);
}

void NetResults::onRemoteEnd(const net::SongEnd& end)
{
    ResultsBoard::Counts counts;
    for (std::size_t index = 0; index < end.words.size(); ++index)
        counts.judgements[index] = end.words[index];
    counts.holdsOk = end.holdsOk;
    counts.holdsNg = end.holdsNg;
    counts.minesHit = end.minesHit;
    counts.points = static_cast<std::uint32_t>(std::max(end.points, 0));
    counts.holdsAndMines = match.getArrows().getSong() != nullptr;
    remoteTotals = counts;
    points.setRemote(counts.points);
}

const ResultsBoard::Counts* NetResults::remoteCounts(int player) const
{
    return player == remotePlayer() && remoteTotals ? &*remoteTotals : nullptr;
}

// Both machines write the same line: each player's totals as their own
// machine counted them (the last known ones of a player who left).
void NetResults::logResults()
{
    resultsLogged = true;
    const ArrowManager& arrows = match.getArrows();
    std::array<ResultsBoard::Counts, 2> both{};
    both[static_cast<std::size_t>(localPlayer - 1)] = localCounts();
    ResultsBoard::Counts& remote = both[static_cast<std::size_t>(remotePlayer() - 1)];
    if (remoteTotals) {
        remote = *remoteTotals;
    } else {
        remote.judgements = arrows.judging().scoreOf(remotePlayer()).getTally();
        if (const Player* player = arrows.judging().playerNumber(remotePlayer()))
            remote.points = player->getPoints();
    }
    const std::string winner = PlayerManager::instance()->winnerName();
    const auto& one = both[0];
    const auto& two = both[1];
    OutputHandler::log(OutputHandler::find(),
                       "NetBattle: Results. Player 1: %u points (%u Godlike, %u Perfect, %u Great, %u Good, %u Booo, "
                       "%u holds OK, %u NG, %u mines); Player 2: %u points (%u Godlike, %u Perfect, %u Great, %u Good, "
                       "%u Booo, %u holds OK, %u NG, %u mines); winner: %s",
                       one.points, one.judgements[0], one.judgements[1], one.judgements[2], one.judgements[3],
                       one.judgements[4], one.holdsOk, one.holdsNg, one.minesHit, two.points, two.judgements[0],
                       two.judgements[1], two.judgements[2], two.judgements[3], two.judgements[4], two.holdsOk,
                       two.holdsNg, two.minesHit, winner.c_str());
}
