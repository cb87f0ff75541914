#include "flow/PracticeScreen.h"

#include "chart/Song.h"
#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "flow/Story.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "platform/SystemClock.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* chooserKeys = "Left/Right: first measure, Up/Down: last, a slot key: play, Escape: back";

double musicRate()
{
    const SoundManager* sound = Match::findSound();
    return sound ? sound->getMusicRate() : 1.0;
}

} // namespace

void PracticeScreen::enter()
{
    const ArrowManager& arrows = match.getArrows();
    for (int player = 1; player <= 2; ++player)
        charts[static_cast<std::size_t>(player - 1)] = arrows.getChartPlayer(player)->getChart();
    loop = std::make_unique<PracticeLoop>(std::array<const chart::Chart*, 2>{&charts[0], &charts[1]});
    problem.clear();
    playing = false;
    passes = 0;
}

bool PracticeScreen::choose(int first, int last)
{
    problem.clear();
    if (loop->choose(first, last, problem))
        return true;
    OutputHandler::log(OutputHandler::find(), "%s", problem.c_str());
    return false;
}

// While choosing, new presses only: a held key does not run through the song.
void PracticeScreen::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    if (playing) {
        if (isDirection(action))
            match.getArrows().onPlayerAction(player, action, pressTick, newPress);
        return;
    }
    if (!newPress || !loop)
        return;
    const int first = loop->first();
    const int last = loop->last();
    switch (action) {
    case 1:
    case 3:
        choose(first, last + (action == 1 ? 1 : -1));
        break;
    case 2:
        choose(first + 1, std::max(last, first + 1));
        break;
    case 4:
        choose(first - 1, last);
        break;
    default:
        play(pressTick);
        break;
    }
}

void PracticeScreen::onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick)
{
    if (playing)
        match.getArrows().onPlayerRelease(player, action, releaseTick);
}

// The arrow manager plays the song with its charts cut to the loop.
void PracticeScreen::play(std::uint32_t tick)
{
    ArrowManager& arrows = match.getArrows();
    auto part = std::make_unique<chart::Song>(*arrows.getSong());
    part->charts = {loop->cut(charts[0]), loop->cut(charts[1])};
    arrows.playSong(std::move(part), {0, 1});
    playing = true;
    passes = 0;
    OutputHandler::log(OutputHandler::find(), "Practice: Measures %d to %d of %d on a loop at %.2fx", loop->first() + 1,
                       loop->last() + 1, loop->measureCount(), musicRate());
    startPass(tick);
    match.songStarted();
}

// Each pass starts before the loop's first measure: by the lead-in, and
// early enough for the first arrow to rise from the spawn line.
void PracticeScreen::startPass(std::uint32_t tick)
{
    ArrowManager& arrows = match.getArrows();
    if (passes > 0)
        arrows.newPass();
    ++passes;
    double spawnMs = loop->startMs();
    double chartLeadInMs = 0.0;
    for (int player = 1; player <= 2; ++player) {
        const ChartPlayer& chartPlayer = *arrows.getChartPlayer(player);
        if (!chartPlayer.getChart().notes.empty())
            spawnMs = std::min(spawnMs, chartPlayer.firstSpawnMs());
        chartLeadInMs = std::max(chartLeadInMs, chartPlayer.leadInMs());
    }
    passStartMs = loop->passStartMs(spawnMs, musicRate());
    // A start before the music keeps the lead-in a round would have.
    if (chartLeadInMs > 0.0)
        passStartMs = std::min(passStartMs, -chartLeadInMs);
    arrows.startSong(tick, passStartMs);
}

bool PracticeScreen::arrowsOpen() const
{
    const PlayerFields& fields = match.getArrows().fields();
    for (int player = 1; player <= 2; ++player) {
        const auto& open = fields.getArrows(player);
        if (std::any_of(open.begin(), open.end(), [player](const Arrow* arrow) { return !arrow->isHiddenFor(player); }))
            return true;
    }
    return false;
}

void PracticeScreen::update(std::uint32_t tick)
{
    const ArrowManager& arrows = match.getArrows();
    if (playing && loop->passOver(arrows.songRun().now(), arrowsOpen(), arrows.songEnd().isOver(), musicRate()))
        startPass(tick);
}

// Escape while playing stops the music and shows what the passes earned.
bool PracticeScreen::takeEscape()
{
    if (!playing) {
        match.startNewRound();
        return true;
    }
    playing = false;
    match.getArrows().newPass();
    OutputHandler::log(OutputHandler::find(), "Practice: Left after %d passes", passes);
    match.showResults(platform::SystemClock::tickCount());
    return true;
}

std::string PracticeScreen::measureLine(const char* which, int measure) const
{
    char head[64];
    std::snprintf(head, sizeof head, "%s measure %d:  ", which, measure + 1);
    return head + loop->measureText(measure, charts[0]);
}

void PracticeScreen::draw()
{
    const StoryPage& page = match.getStoryPage();
    char line[256];
    if (playing) {
        if (ObjectGraph* graph = ObjectGraph::find())
            graph->draw();
        std::snprintf(line, sizeof line, "Practice: measures %d to %d, pass %d, rate %.2fx    Escape: the results",
                      loop->first() + 1, loop->last() + 1, passes, musicRate());
        page.drawLine(story::panelLineY[4], line);
        return;
    }
    page.drawStory();
    std::snprintf(line, sizeof line, "Practice: %s    %d measures    Rate %.2fx",
                  story::printable(match.getArrows().getSong()->title).c_str(), loop->measureCount(), musicRate());
    page.drawLine(story::panelLineY[0], line);
    page.drawLine(story::panelLineY[1], measureLine("First", loop->first()));
    page.drawLine(story::panelLineY[2], measureLine("Last", loop->last()));
    page.drawLine(story::panelLineY[3], problem);
    page.drawLine(story::panelLineY[4], chooserKeys);
}
