#include "flow/ResultsScreen.h"

#include "flow/Match.h"
#include "flow/NetBattle.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "fx/Text.h"
#include "game/Player.h"
#include "scene/ObjectGraph.h"

void ResultsScreen::create()
{
    board.create();
    if (Text* winner = match.getArrows().texts().winner())
        winner->setPosition(winnerX, winnerY);
}

void ResultsScreen::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    ArrowManager& arrows = match.getArrows();
    if (!isDirection(action) && newPress && pressTick - arrows.songEnd().getEndTick() >= nextRoundAfterMs) {
        match.startNewRound();
        return;
    }
    arrows.onPlayerAction(player, action, pressTick, newPress);
}

// Like the winner text, the results follow the totals on every frame.
void ResultsScreen::update(std::uint32_t tick)
{
    showCounts(1);
    showCounts(2);
    if (tick - match.getArrows().songEnd().getEndTick() >= nextRoundAfterMs)
        board.showHint();
}

void ResultsScreen::showCounts(int player)
{
    const ArrowManager& arrows = match.getArrows();
    ResultsBoard::Counts counts;
    const PlayerScore& score = arrows.judging().scoreOf(player);
    counts.judgements = score.getTally();
    counts.misses = score.getMisses();
    counts.highestCombo = score.getCombo().highest();
    counts.fullCombo = score.getCombo().fullCombo();
    counts.newRecord = match.getRecords().isNewRecord(player);
    if (const Player* target = arrows.judging().playerNumber(player))
        counts.points = target->getPoints();
    if (const ChartPlayer* chartPlayer = arrows.getChartPlayer(player)) {
        counts.holdsAndMines = true;
        counts.holdsOk = chartPlayer->getResults().holdsOk;
        counts.holdsNg = chartPlayer->getResults().holdsNg;
        counts.minesHit = chartPlayer->getResults().minesHit;
    }
    // Across two machines the other player's totals are their machine's.
    // The misses are as this screen saw them.
    if (const NetBattle* net = match.getNetBattle(); net && net->remoteCounts(player)) {
        const std::uint32_t misses = counts.misses;
        counts = *net->remoteCounts(player);
        counts.misses = misses;
    }
    board.show(player, counts);
}

void ResultsScreen::draw()
{
    if (ObjectGraph* graph = ObjectGraph::find())
        graph->draw();
}
