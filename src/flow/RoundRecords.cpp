#include "flow/RoundRecords.h"

#include "chart/ChartHash.h"
#include "flow/Match.h"
#include "flow/NetBattle.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/GimmickManager.h"
#include "game/Player.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The chart's identity and name, as the records key them.
library::RecordKey keyOf(Match& match, const ChartPlayer* chartPlayer)
{
    library::RecordKey key;
    if (chartPlayer) {
        key.chartHash = chart::ChartHash::of(chartPlayer->getChart()).hex();
        key.chart = chartPlayer->getChart().difficulty;
    } else {
        key.chartHash = match.getRecords().ownChartHash(StoryScreen::builtInChartPath);
        key.chart = RecordKeeper::ownChartName;
    }
    return key;
}

// A player's points as the results show them: the other machine's player's
// come from what that machine told, which this machine's scores never count.
std::uint32_t shownPoints(Match& match, int player)
{
    const ArrowManager& arrows = match.getArrows();
    const NetBattle* net = match.getNetBattle();
    if (net && player == net->remotePlayer()) {
        const Player* remote = arrows.judging().playerNumber(player);
        return remote ? remote->getPoints() : 0;
    }
    return arrows.judging().scoreOf(player).getPoints();
}

} // namespace

const library::RecordedRound& RoundRecords::finish(Match& match, const std::string& songFolder)
{
    ArrowManager& arrows = match.getArrows();
    RoundRecorder& recorder = arrows.judging().recording();
    for (int player = 1; player <= 2; ++player) {
        const ChartPlayer* chartPlayer = arrows.getChartPlayer(player);
        const library::RecordKey key = keyOf(match, chartPlayer);
        const double speed = chartPlayer ? match.getSpeeds().of(player).factor(chartPlayer->getChart()) : 1.0;
        recorder.setPlayer(player, match.playerName(player), key.chartHash, key.chart, speed);
    }
    const NetBattle* net = match.getNetBattle();
    recorder.setLocalPlayer(net ? net->localPlayer() : 0);
    recorder.setSong(net ? net->songFolder() : songFolder);
    recorder.setRate(Arrow::getMusicRate());
    recorder.setSeed(GimmickManager::instance()->getRoundSeed());
    return recorder.finish(arrows.songRun().now());
}

void RoundRecords::submit(Match& match, const library::RecordedRound& round)
{
    const ArrowManager& arrows = match.getArrows();
    std::vector<std::pair<int, library::RecordEntry>> entries;
    const NetBattle* net = match.getNetBattle();
    for (int player = 1; player <= 2; ++player) {
        // Across two machines each keeps only its own player's records.
        if (Match::getBotPlayers()[static_cast<std::size_t>(player - 1)] || (net && player != net->localPlayer()))
            continue;
        const PlayerScore& score = arrows.judging().scoreOf(player);
        library::RecordEntry entry;
        entry.record.points = score.getPoints();
        entry.record.judgements = score.getTally();
        entry.record.highestCombo = score.getCombo().highest();
        const ChartPlayer* chartPlayer = arrows.getChartPlayer(player);
        entry.key = keyOf(match, chartPlayer);
        if (chartPlayer) {
            entry.record.holdsOk = chartPlayer->getResults().holdsOk;
            entry.record.holdsNg = chartPlayer->getResults().holdsNg;
            entry.record.minesHit = chartPlayer->getResults().minesHit;
        }
        entry.key.player = match.playerName(player);
        // A record at another rate is kept apart from the bests at 1.0x.
        entry.key.rate = Arrow::getMusicRate();
        const auto& tally = entry.record.judgements;
        const bool played = std::any_of(tally.begin(), tally.end(), [](std::uint32_t count) { return count > 0; });
        if (played && !entry.key.chartHash.empty())
            entries.emplace_back(player, std::move(entry));
    }
    if (entries.empty()) {
        match.getRecords().submit(entries);
        return;
    }
    match.getRecords().submit(entries, &round, {shownPoints(match, 1), shownPoints(match, 2)});
}
