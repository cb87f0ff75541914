#include "flow/SongLoader.h"

#include "chart/Song.h"
#include "chart/SongFolder.h"
#include "library/ChartPick.h"
#include "sound/SoundManager.h"

#include <algorithm>

SongLoader::Loaded SongLoader::load(const std::filesystem::path& folder)
{
    chart::ReadResult read = chart::SongFolder::load(folder);
    Loaded loaded;
    loaded.problem = read.error;
    if (loaded.problem.empty() && read.song.charts.empty())
        loaded.problem = "it has no dance-single chart";
    if (loaded.problem.empty() && !SoundManager::canOpen(read.song.musicPath.string()))
        loaded.problem = "its music '" + read.song.musicPath.string() + "' cannot be played";
    if (loaded.problem.empty())
        loaded.song = std::make_unique<chart::Song>(std::move(read.song));
    return loaded;
}

std::size_t SongLoader::chartNamed(const chart::Song& song, const std::string& difficulty, bool& found)
{
    const auto named = std::find_if(song.charts.begin(), song.charts.end(), [&difficulty](const chart::Chart& chart) {
        return library::ChartPick::sameName(chart.difficulty, difficulty);
    });
    found = named != song.charts.end();
    return found ? static_cast<std::size_t>(named - song.charts.begin()) : 0;
}
