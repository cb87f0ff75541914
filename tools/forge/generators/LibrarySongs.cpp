// The songs of the forged library, Songs/Flarevox/<title>/: each an Ogg Vorbis
// file and an SM step file with four charts, both made from one TrackPlan.
// And the pack Songs/World Tour/: short songs with titles in other scripts
// and accents, most with Latin-letter spellings, all on one short track.
#include "Generator.h"
#include "audio/TrackPlan.h"
#include "audio/TrackRenderer.h"
#include "generators/TrackCharts.h"
#include "writers/OggWriter.h"
#include "writers/SmWriter.h"

#include <cstdio>
#include <utility>
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

// What a song's chart file says of it; empty values are left out.
struct SongTexts {
    std::string title;
    std::string titleTranslit;
    std::string subtitle;
    std::string artist = "Flarevox Forge";
    std::string artistTranslit;
};

void writeChart(const std::filesystem::path& path, const TrackPlan& plan, const SongTexts& texts)
{
    const BeatClock clock = plan.clock();
    SmWriter sm;
    for (const auto& [tag, value] : {std::pair{"TITLE", texts.title}, {"SUBTITLE", texts.subtitle},
                                     {"ARTIST", texts.artist}, {"TITLETRANSLIT", texts.titleTranslit},
                                     {"ARTISTTRANSLIT", texts.artistTranslit}})
        if (!value.empty())
            sm.tag(tag, value);
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
    SongTexts texts;
    texts.title = plan.title;
    writeChart(folder / (plan.folder + ".sm"), plan, texts);
}

// Twelve bars at 140 BPM: about 25 seconds.
const TrackPlan worldTrack{"", "", "world.ogg", TrackPlan::Style::House, 0x57041Du, {{0.0, 140.0}}, {}, "VCO",
                           {{{50, true}, {53, false}, {48, false}, {55, false}}}, {2.5}, {1, 3, 5, 7}};

struct WorldSong {
    const char* folder;
    SongTexts texts;
};

// Japanese, Korean, Chinese (without a Latin spelling), Russian, French
// accents, and a Latin-1 sign between Latin letters.
const WorldSong worldSongs[] = {
    {"Yoake", {"\u591c\u660e\u3051\u306e\u30b9\u30c6\u30c3\u30d7", "Yoake no Step", "",
               "\u30d5\u30ec\u30a2\u30f4\u30a9\u30c3\u30af\u30b9", "Flarevox"}},
    {"Byeolbit", {"\ubcc4\ube5b \ub304\uc2a4", "Byeolbit Dance", "", "Flarevox Forge", ""}},
    {"Nihong", {"\u9713\u8679\u4e4b\u821e", "", "", "Flarevox Forge", ""}},
    {"Polnochny", {"\u041f\u043e\u043b\u043d\u043e\u0447\u043d\u044b\u0439 \u0440\u0438\u0442\u043c",
                   "Polnochny Ritm", "", "Flarevox Forge", ""}},
    {"Cafe", {"Caf\u00e9 D\u00e9j\u00e0 Vu", "", "\u00c9dition sp\u00e9ciale", "Flarevox Forge", ""}},
    {"Colorful", {"Colorful\u00d7Colorful", "Colorful x Colorful", "", "Flarevox Forge", ""}},
};

void writeWorldPack(const std::filesystem::path& root)
{
    const PcmAudio music = TrackRenderer::render(worldTrack);
    for (const WorldSong& song : worldSongs) {
        const std::filesystem::path folder = root / "Songs/World Tour" / song.folder;
        OggWriter::write(folder / worldTrack.musicFile, music);
        writeChart(folder / (std::string(song.folder) + ".sm"), worldTrack, song.texts);
    }
}

void generateLibrary(const std::filesystem::path& root)
{
    for (const TrackPlan& plan : TrackPlan::library())
        writeSong(root, plan);
    writeWorldPack(root);
}

} // namespace

FORGE_GENERATOR("library", generateLibrary);

} // namespace forge
