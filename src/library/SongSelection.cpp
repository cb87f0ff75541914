#include "library/SongSelection.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace library {
namespace {

bool sameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

// The chart of the difficulty nearest the wanted one (the easier on a tie).
std::size_t nearest(const std::vector<ChartChoice>& charts, Difficulty wanted)
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < charts.size(); ++i) {
        const int distance = std::abs(static_cast<int>(charts[i].difficulty) - static_cast<int>(wanted));
        if (distance < std::abs(static_cast<int>(charts[best].difficulty) - static_cast<int>(wanted)))
            best = i;
    }
    return best;
}

} // namespace

// The same folder however it is written (relative or absolute, through links).
bool SongSelection::sameFolder(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code error;
    return a == b || std::filesystem::equivalent(a, b, error);
}

SongSelection::SongSelection(std::vector<SongEntry> entries)
    : songs(std::move(entries))
{
}

const ChartChoice* SongSelection::chart(int player) const
{
    if (songs.empty() || (player != 1 && player != 2))
        return nullptr;
    const auto& charts = song().charts;
    const std::size_t index = chartIndex[static_cast<std::size_t>(player - 1)];
    return index < charts.size() ? &charts[index] : nullptr;
}

void SongSelection::stepSong(int delta)
{
    if (songs.empty())
        return;
    const std::array<Difficulty, 2> wanted{chart(1) ? chart(1)->difficulty : Difficulty::Beginner,
                                           chart(2) ? chart(2)->difficulty : Difficulty::Beginner};
    const auto count = static_cast<long>(songs.size());
    current = static_cast<std::size_t>(((static_cast<long>(current) + delta) % count + count) % count);
    keepDifficulties(wanted);
}

void SongSelection::stepChart(int player, int delta)
{
    if (songs.empty() || (player != 1 && player != 2) || song().charts.empty())
        return;
    std::size_t& index = chartIndex[static_cast<std::size_t>(player - 1)];
    const auto last = static_cast<long>(song().charts.size()) - 1;
    index = static_cast<std::size_t>(std::clamp(static_cast<long>(index) + delta, 0L, last));
}

bool SongSelection::chooseSong(const std::filesystem::path& folder)
{
    const auto found = std::find_if(songs.begin(), songs.end(), [&folder](const SongEntry& entry) {
        return !entry.builtIn && sameFolder(entry.folder, folder);
    });
    if (found == songs.end())
        return false;
    current = static_cast<std::size_t>(found - songs.begin());
    return true;
}

void SongSelection::chooseChart(std::size_t player, const std::function<bool(const ChartChoice&)>& wanted)
{
    const auto& charts = song().charts;
    const auto chosen = std::find_if(charts.begin(), charts.end(), wanted);
    chartIndex[player] = chosen == charts.end() ? 0 : static_cast<std::size_t>(chosen - charts.begin());
}

bool SongSelection::choose(const std::filesystem::path& folder, const std::array<std::string, 2>& chartNames)
{
    if (!chooseSong(folder))
        return false;
    for (std::size_t player = 0; player < chartIndex.size(); ++player)
        chooseChart(player, [&](const ChartChoice& choice) { return sameName(choice.name, chartNames[player]); });
    return true;
}

bool SongSelection::choose(const std::filesystem::path& folder, const std::array<std::size_t, 2>& chartIndexes)
{
    if (!chooseSong(folder))
        return false;
    for (std::size_t player = 0; player < chartIndex.size(); ++player)
        chooseChart(player, [&](const ChartChoice& choice) { return choice.chartIndex == chartIndexes[player]; });
    return true;
}

void SongSelection::keepDifficulties(const std::array<Difficulty, 2>& wanted)
{
    for (std::size_t player = 0; player < chartIndex.size(); ++player)
        chartIndex[player] = song().charts.empty() ? 0 : nearest(song().charts, wanted[player]);
}

} // namespace library
