// The songs of the forged library, Songs/Flarevox/<title>/: each an Ogg Vorbis
// file and an SM step file with four charts, both made from one TrackPlan.
#include "Generator.h"
#include "audio/TrackPlan.h"
#include "audio/TrackRenderer.h"
#include "generators/TrackCharts.h"
#include "writers/OggWriter.h"
#include "writers/SmWriter.h"

#include <cstdio>
#include <vector>

namespace forge {
namespace {

std::string fixed3(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

template <typename Event, typename Value>
std::string beatList(const std::vector<Event>& events, Value value)
{
    std::string list;
    for (const Event& event : events)
        list += (list.empty() ? "" : ",") + fixed3(event.beat) + "=" + fixed3(value(event));
    return list;
}

void writeChart(const std::filesystem::path& path, const TrackPlan& plan)
{
    const BeatClock clock = plan.clock();
    SmWriter sm;
    sm.tag("TITLE", plan.title);
    sm.tag("ARTIST", "Flarevox Forge");
    sm.tag("MUSIC", plan.musicFile);
    sm.tag("OFFSET", fixed3(-clock.beatZeroSeconds()));
    sm.tag("BPMS", beatList(clock.tempo(), [](const TempoSegment& segment) { return segment.bpm; }));
    sm.tag("STOPS", beatList(clock.stops(), [](const TempoPause& pause) { return pause.seconds; }));
    sm.tag("SAMPLESTART", fixed3(plan.firstChorusSeconds()));
    sm.tag("SAMPLELENGTH", fixed3(TrackPlan::sampleSeconds));
    for (const TrackCharts::StepChart& chart : TrackCharts::build(plan))
        sm.chart("dance-single", chart.difficulty, chart.meter, chart.rows, TrackCharts::rowsPerMeasure);
    sm.write(path);
}

void writeSong(const std::filesystem::path& root, const TrackPlan& plan)
{
    const std::filesystem::path folder = root / "Songs/Flarevox" / plan.folder;
    OggWriter::write(folder / plan.musicFile, TrackRenderer::render(plan));
    writeChart(folder / (plan.folder + ".sm"), plan);
}

void generateLibrary(const std::filesystem::path& root)
{
    for (const TrackPlan& plan : TrackPlan::library())
        writeSong(root, plan);
}

} // namespace

FORGE_GENERATOR("library", generateLibrary);

} // namespace forge
