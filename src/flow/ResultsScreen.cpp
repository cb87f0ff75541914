#include "flow/ResultsScreen.h"

#include "flow/Match.h"
#include "flow/NetBattle.h"
#include "flow/ReplayShelf.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "fx/Text.h"
#include "game/Player.h"
#include "game/PressErrors.h"
#include "game/PressJudge.h"
#include "platform/SystemClock.h"
#include "scene/ObjectGraph.h"

#include <algorithm>
#include <cstdio>
#include <vector>

void ResultsScreen::create()
{
    board.create();
    if (Text* winner = match.getArrows().texts().winner())
        winner->setPosition(winnerX, winnerY);
}

void ResultsScreen::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    ArrowManager& arrows = match.getArrows();
    const bool nextRoundDue = practice || pressTick - arrows.songEnd().getEndTick() >= nextRoundAfterMs;
    if (!isDirection(action) && newPress && nextRoundDue) {
        match.startNewRound();
        return;
    }
    arrows.onPlayerAction(player, action, pressTick, newPress);
}

void ResultsScreen::onKey(std::uint8_t code)
{
    if (offsetKeys.onKey(code, match.getArrows())) {
        showRejudgedWinner();
        return;
    }
    const library::RecordedRound* round = match.lastRound();
    if (!round)
        return;
    if (code == exportKey)
        ReplayShelf::exportRound(*round);
    else if (code == watchAgainKey)
        match.playReplay(*round, platform::SystemClock::tickCount());
}

// Like the winner text, the results follow the totals on every frame.
void ResultsScreen::update(std::uint32_t tick)
{
    showCounts(1);
    showCounts(2);
    showRejudgedWinner();
    showTiming();
    if (practice)
        board.showHint(ResultsBoard::practiceHint);
    else if (tick - match.getArrows().songEnd().getEndTick() >= nextRoundAfterMs)
        board.showHint();
    syncKeys.update(tick, match.getSongSync(), match.getPlayedSyncKey());
}

std::string ResultsScreen::syncLine() const
{
    const auto& key = match.getPlayedSyncKey();
    if (!key)
        return {};
    char line[96];
    std::snprintf(line, sizeof line, "Sync %+d ms  (comma, period)",
                  match.getSongSync().offsetMs(*key));
    return line;
}

void ResultsScreen::showRejudgedWinner()
{
    Text* winner = match.getArrows().texts().winner();
    if (!winner || !offsetKeys.result())
        return;
    const int player = offsetKeys.result()->winner;
    const std::string name = player == 0 ? std::string("Noone") : match.playerName(player);
    winner->setText("%s won! (re-judged)", name.c_str());
}

void ResultsScreen::hide()
{
    offsetKeys.reset();
    board.hide();
    timingShown = 0;
}

// Both plots share the time axis: up to the last note either player met.
void ResultsScreen::showTiming()
{
    const PressErrors& distances = match.getArrows().judging().getPressDistances();
    std::size_t count = 0;
    double songMs = 0.0;
    for (const int player : {1, 2}) {
        const std::vector<double>& notes = distances.notesOf(player);
        const std::vector<double>& misses = distances.missesOf(player);
        count += notes.size() + misses.size();
        for (const std::vector<double>* times : {&notes, &misses}) {
            if (!times->empty())
                songMs = std::max({songMs, *std::max_element(times->begin(), times->end())});
        }
    }
    if (count == timingShown)
        return;
    timingShown = count;
    for (const int player : {1, 2}) {
        const std::vector<double>& notes = distances.notesOf(player);
        const std::vector<double>& errors = distances.of(player);
        const std::vector<std::size_t>& words = distances.judgementsOf(player);
        std::vector<TimingPlot::Press> presses;
        presses.reserve(notes.size());
        for (std::size_t index = 0; index < notes.size() && index < errors.size() && index < words.size(); ++index)
            presses.push_back({notes[index], errors[index], words[index]});
        board.showTiming(player, std::move(presses), distances.missesOf(player), songMs);
    }
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
    counts.newRecord = !practice && match.getRecords().isNewRecord(player);
    if (const Player* target = arrows.judging().playerNumber(player))
        counts.points = target->getPoints();
    if (const ChartPlayer* chartPlayer = arrows.getChartPlayer(player)) {
        counts.holdsAndMines = true;
        counts.holdsOk = chartPlayer->getResults().holdsOk;
        counts.holdsNg = chartPlayer->getResults().holdsNg;
        counts.minesHit = chartPlayer->getResults().minesHit;
    }
    if (const auto& rejudged = offsetKeys.result()) {
        const Rejudge::Side& side = rejudged->players[static_cast<std::size_t>(player - 1)];
        counts.judgements = side.tally;
        counts.misses = side.misses;
        counts.highestCombo = side.highestCombo;
        counts.fullCombo = side.fullCombo;
        counts.points = side.points;
        counts.missiles = side.missiles;
        counts.rejudged = true;
        counts.newRecord = false;
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
    match.getStoryPage().drawText(syncX, syncY, syncLine());
}
