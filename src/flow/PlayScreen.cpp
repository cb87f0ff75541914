#include "flow/PlayScreen.h"

#include "chart/Song.h"
#include "flow/Match.h"
#include "game/ArrowManager.h"
#include "game/ChartPlayer.h"
#include "library/SongEntry.h"
#include "platform/VirtualKeys.h"
#include "scene/ObjectGraph.h"
#include "sound/SoundManager.h"

#include <algorithm>

namespace {

// The library's entry of the game's own song (null when it is not listed).
const library::SongEntry* ownSong(const library::SongSelection& selection)
{
    const auto& songs = selection.getSongs();
    const auto own = std::find_if(songs.begin(), songs.end(), [](const library::SongEntry& song) { return song.builtIn; });
    return own == songs.end() ? nullptr : &*own;
}

} // namespace

void PlayScreen::enter()
{
    const ArrowManager& arrows = match.getArrows();
    const bool transliterated = match.showsTransliterations();
    std::string title;
    if (const chart::Song* song = arrows.getSong())
        title = library::SongEntry::shown(song->title, song->titleTranslit, transliterated);
    else if (const library::SongEntry* own = ownSong(match.getStory().getSelection()))
        title = own->shownTitle(transliterated);
    playLine.show(title, chartsText());
}

// Each player's chart and meter: on the game's own song both play its chart.
std::string PlayScreen::chartsText() const
{
    const ArrowManager& arrows = match.getArrows();
    const library::SongEntry* own = ownSong(match.getStory().getSelection());
    std::string text;
    for (int player = 1; player <= 2; ++player) {
        std::string chart = "-";
        if (const ChartPlayer* chartPlayer = arrows.getChartPlayer(player))
            chart = chartPlayer->getChart().difficulty + " " + std::to_string(chartPlayer->getChart().meter);
        else if (own && !own->charts.empty())
            chart = own->charts.front().shownName + " " + std::to_string(own->charts.front().meter);
        text += (player == 1 ? "" : "    ") + match.playerName(player) + ": " + chart;
    }
    return text;
}

void PlayScreen::onPlayerAction(std::uint8_t player, std::uint8_t action, std::uint32_t pressTick, bool newPress)
{
    match.getArrows().onPlayerAction(player, action, pressTick, newPress);
}

void PlayScreen::onPlayerRelease(std::uint8_t player, std::uint8_t action, std::uint32_t releaseTick)
{
    match.getArrows().onPlayerRelease(player, action, releaseTick);
}

void PlayScreen::onKey(std::uint8_t code)
{
    if (code == platform::VirtualKeys::pause)
        match.pauseSong();
}

void PlayScreen::update(std::uint32_t tick)
{
    if (match.getArrows().songEnd().isOver())
        match.showResults(tick);
}

void PlayScreen::draw()
{
    if (ObjectGraph* graph = ObjectGraph::find())
        graph->draw();
    playLine.draw(songFraction());
}

// The song stream's position through its length.
double PlayScreen::songFraction() const
{
    SoundManager* sound = Match::findSound();
    const char* stream = match.getArrows().songRun().stream();
    const std::uint32_t length = sound && stream ? sound->getStreamLength(stream) : 0;
    return length > 0 ? static_cast<double>(sound->getStreamTime(stream)) / length : 0.0;
}
