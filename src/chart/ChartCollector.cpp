#include "chart/ChartCollector.h"

#include "chart/ChartLimits.h"
#include "chart/MsdValues.h"

#include <algorithm>

namespace chart {

bool ChartCollector::isPlayed(std::string_view stepsType)
{
    return MsdValues::lower(MsdValues::trim(stepsType)) == "dance-single";
}

void ChartCollector::add(Song& song, Chart chart, const std::string& error)
{
    const std::string name = chart.stepsType + ' ' + chart.difficulty;
    if (!error.empty()) {
        song.refusedCharts.push_back(name + ": " + error);
        return;
    }
    if (song.charts.size() >= ChartLimits::maxCharts) {
        song.refusedCharts.push_back(name + ": more than " + std::to_string(ChartLimits::maxCharts) + " charts");
        return;
    }
    std::erase_if(chart.notes, [&](const Note& note) { return !chart.tempo.plays(note.beat.value()); });
    if (!chart.tempo.fakes().empty())
        for (Note& note : chart.notes)
            if (chart.tempo.isFake(note.beat.value()))
                note = {note.beat, note.beat, note.lane, NoteKind::Fake};
    song.charts.push_back(std::move(chart));
}

} // namespace chart
