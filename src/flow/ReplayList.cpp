#include "flow/ReplayList.h"

#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "flow/RecordKeeper.h"
#include "flow/StoryPage.h"
#include "flow/StoryScreen.h"
#include "library/ReplayFile.h"
#include "library/SongSelection.h"

#include <cstdio>
#include <utility>

namespace {

constexpr float titleY = 3.5f;
constexpr float rowStep = 0.3f;
constexpr std::uint8_t up = 1;
constexpr std::uint8_t down = 3;
constexpr std::uint8_t lastDirection = 4;

} // namespace

bool ReplayList::onKey(std::uint8_t code, const library::SongSelection& selection, RecordKeeper& records)
{
    if (code != openKey)
        return false;
    if (close())
        return true;
    const library::SongEntry* song = selection.currentSong();
    const library::ChartChoice* chart = selection.chart(1);
    if (!song)
        return true;
    const std::string hash = song->builtIn ? records.ownChartHash(StoryScreen::builtInChartPath)
                                           : records.chartHash(*song, chart ? chart->chartIndex : 0);
    chartName = chart ? chart->name : std::string(RecordKeeper::ownChartName);
    entries.clear();
    chosen = 0;
    answered = false;
    open = true;
    records.askReplays(hash, mostRows);
    return true;
}

bool ReplayList::onAction(std::uint8_t action, bool newPress, std::uint32_t pressTick, Match& match)
{
    if (!open)
        return false;
    if (!newPress || entries.empty())
        return true;
    if (action == up || action == down) {
        chosen = (chosen + (action == down ? 1 : entries.size() - 1)) % entries.size();
    } else if (action > lastDirection) {
        library::ReplayFile::ReadResult read = library::ReplayFile::read(entries[chosen].round);
        if (!read.round) {
            OutputHandler::report(OutputHandler::find(), Warning, "Match: The replay cannot be played: %s",
                                  read.problem.c_str());
            return true;
        }
        close();
        match.playReplay(std::move(*read.round), pressTick);
    }
    return true;
}

void ReplayList::update(RecordKeeper& records)
{
    if (!open || answered)
        return;
    if (std::optional<std::vector<library::ReplayEntry>> found = records.takeReplays()) {
        entries = std::move(*found);
        answered = true;
    }
}

bool ReplayList::close()
{
    return std::exchange(open, false);
}

std::string ReplayList::rowOf(const library::ReplayEntry& entry)
{
    char row[256];
    std::snprintf(row, sizeof row, "%.16s  %s %u : %s %u  %.2gx", entry.date.c_str(), entry.players[0].c_str(),
                  entry.points[0], entry.players[1].c_str(), entry.points[1], entry.rate);
    return row;
}

std::vector<std::string> ReplayList::lines() const
{
    std::vector<std::string> shown{"Replays of " + chartName
                                   + ", newest first (Up, Down, a slot key: play; Space: close)"};
    if (!answered)
        shown.emplace_back("Reading the records ...");
    else if (entries.empty())
        shown.emplace_back("No replays of this chart yet");
    for (std::size_t row = 0; row < entries.size(); ++row)
        shown.push_back((row == chosen ? "> " : "  ") + rowOf(entries[row]));
    return shown;
}

bool ReplayList::draw(const StoryPage& page) const
{
    if (!open)
        return false;
    float y = titleY;
    for (const std::string& line : lines()) {
        page.drawLine(y, line);
        y -= rowStep;
    }
    return true;
}
