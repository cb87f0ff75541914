#include "flow/ResultsScreen.h"

#include "flow/Match.h"
#include "flow/NetBattle.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "game/Player.h"
#include "scene/ObjectGraph.h"

void ResultsScreen::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    ArrowManager& arrows = match.getArrows();
    if (!isDirection(action) && newPress && pressTick - arrows.getSongEndTick() >= nextRoundAfterMs) {
        match.startNewRound();
        return;
    }
    arrows.onPlayerAction(player, action, pressTick, newPress);
}

// Like the winner text, the results follow the totals on every frame.
void ResultsScreen::update(std::uint32_t)
{
    showCounts(1);
    showCounts(2);
}

void ResultsScreen::showCounts(int player)
{
    const ArrowManager& arrows = match.getArrows();
    ResultsBoard::Counts counts;
    const PlayerScore& score = arrows.scoreOf(player);
    counts.judgements = score.getTally();
    counts.highestCombo = score.getCombo().highest();
    counts.fullCombo = score.getCombo().fullCombo();
    counts.newRecord = match.getRecords().isNewRecord(player);
    if (const Player* target = arrows.playerNumber(player))
        counts.points = target->getPoints();
    if (const ChartPlayer* chartPlayer = arrows.getChartPlayer(player)) {
        counts.holdsAndMines = true;
        counts.holdsOk = chartPlayer->getResults().holdsOk;
        counts.holdsNg = chartPlayer->getResults().holdsNg;
        counts.minesHit = chartPlayer->getResults().minesHit;
    }
    // Across two machines the other player's totals are their machine's.
    if (const NetBattle* net = match.getNetBattle(); net && net->remoteCounts(player))
        counts = *net->remoteCounts(player);
    board.show(player, counts);
}

void ResultsScreen::draw()
{
    if (ObjectGraph* graph = ObjectGraph::find())
        graph->draw();
}
