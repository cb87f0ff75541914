#include "flow/SongLoader.h"

#include "chart/Song.h"
#include "chart/SongFolder.h"
#include "core/OutputHandler.h"
#include "flow/SongChoice.h"
#include "game/ArrowManager.h"
#include "library/ChartPick.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <array>

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

bool SongLoader::play(ArrowManager& arrows, const SongChoice& choice)
{
    OutputHandler* log = OutputHandler::find();
    Loaded loaded = load(choice.folder);
    if (!loaded.song) {
        OutputHandler::report(log, Warning, "ArrowManager: Could not play the song in '%s': %s",
                              choice.folder.string().c_str(), loaded.problem.c_str());
        return false;
    }
    std::unique_ptr<chart::Song> song = std::move(loaded.song);
    std::array<std::size_t, 2> chartIndex{};
    for (std::size_t index = 0; index < chartIndex.size(); ++index) {
        const std::optional<std::size_t> placed = choice.chartIndex[index];
        if (placed && *placed < song->charts.size()) {
            chartIndex[index] = *placed;
            continue;
        }
        bool found = false;
        chartIndex[index] = chartNamed(*song, choice.difficulty[index], found);
        if (!found && !choice.difficulty[index].empty())
            OutputHandler::report(log, Warning, "ArrowManager: The song '%s' has no chart '%s'; player %zu plays '%s'",
                                  song->title.c_str(), choice.difficulty[index].c_str(), index + 1,
                                  song->charts[chartIndex[index]].difficulty.c_str());
    }
    arrows.playSong(std::move(song), chartIndex);
    return true;
}
