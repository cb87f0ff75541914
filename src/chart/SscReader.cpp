#include "chart/SscReader.h"

#include "chart/ChartCollector.h"
#include "chart/MsdParser.h"
#include "chart/MsdValues.h"
#include "chart/SmTags.h"

#include <optional>

namespace chart {

namespace {

// Files before this version write a warp as "beat=end beat", later ones as
// "beat=length".
constexpr double warpLengthsVersion = 0.70;

struct ChartBlock {
    std::string stepsType;
    std::string difficulty;
    std::string chartName;
    std::string description;
    int meter = 0;
    std::optional<std::string> notes;
    TempoMap::Source timing; // the chart's own, when `ownTiming`
    bool ownTiming = false;
    bool ownOffset = false;
};

std::string field(const MsdTag& tag)
{
    return tag.fields.empty() ? std::string() : tag.fields.front();
}

void takeChartTag(const MsdTag& tag, ChartBlock& block, std::vector<std::string>& warnings)
{
    if (tag.name == "STEPSTYPE")
        block.stepsType = MsdValues::lower(field(tag));
    else if (tag.name == "DIFFICULTY")
        block.difficulty = MsdValues::utf8(field(tag));
    else if (tag.name == "CHARTNAME")
        block.chartName = MsdValues::utf8(field(tag));
    else if (tag.name == "DESCRIPTION")
        block.description = MsdValues::utf8(field(tag));
    else if (tag.name == "METER")
        block.meter = MsdValues::integer(field(tag), 0);
    else if (tag.name == "NOTES" || tag.name == "NOTES2")
        block.notes = field(tag);
    else if (SmTags::takeTiming(tag, block.timing, warnings)) {
        block.ownTiming = true;
        block.ownOffset = block.ownOffset || tag.name == "OFFSET";
    }
}

void readWarpsAsEnds(TempoMap::Source& timing)
{
    for (TempoWarp& warp : timing.warps)
        warp.length -= warp.beat;
}

class SscSong {
public:
    SscSong(Song& song, const TempoMap::Source& songTiming, bool warpEnds)
        : song(song)
        , songTiming(songTiming)
        , warpEnds(warpEnds)
    {
    }

    // A chart with any timing of its own plays by that alone, with the
    // song's offset where it gives none (and the song's tempo where it gives
    // none, rather than refusing the chart).
    void finish(ChartBlock& block)
    {
        if (!ChartCollector::isPlayed(block.stepsType))
            return;
        Chart steps;
        steps.stepsType = block.stepsType;
        steps.difficulty = block.difficulty;
        steps.description = block.chartName.empty() ? block.description : block.chartName;
        steps.meter = block.meter;
        steps.tempo = song.tempo;
        std::string error;
        if (block.ownTiming) {
            if (!block.ownOffset)
                block.timing.beat0Ms = songTiming.beat0Ms;
            if (block.timing.bpms.empty())
                block.timing.bpms = songTiming.bpms;
            if (warpEnds)
                readWarpsAsEnds(block.timing);
            TempoMap::build(block.timing, steps.tempo, error, &song.warnings);
        }
        if (error.empty() && !block.notes)
            error = "no #NOTES";
        if (!error.empty()) {
            ChartCollector::add(song, std::move(steps), error);
            return;
        }
        SmTags::addChart(song, std::move(steps), *block.notes);
    }

private:
    Song& song;
    const TempoMap::Source& songTiming;
    bool warpEnds;
};

} // namespace

ReadResult SscReader::read(std::string_view text)
{
    ReadResult result;
    std::vector<MsdTag> tags;
    if (!MsdParser::parse(text, tags, result.error))
        return result;
    Song& song = result.song;
    TempoMap::Source timing;
    double version = warpLengthsVersion;
    std::size_t at = 0;
    for (; at < tags.size() && tags[at].name != "NOTEDATA"; ++at) {
        const MsdTag& tag = tags[at];
        if (tag.name == "VERSION")
            MsdValues::number(field(tag), version);
        else if (!SmTags::takeSongData(tag, song))
            SmTags::takeTiming(tag, timing, song.warnings);
    }
    const bool warpEnds = version < warpLengthsVersion;
    TempoMap::Source songTiming = timing;
    if (warpEnds)
        readWarpsAsEnds(songTiming);
    if (!TempoMap::build(songTiming, song.tempo, result.error, &song.warnings))
        return result;
    SscSong charts(song, timing, warpEnds);
    std::optional<ChartBlock> block;
    for (; at < tags.size(); ++at) {
        if (tags[at].name == "NOTEDATA") {
            if (block)
                charts.finish(*block);
            block.emplace();
            continue;
        }
        takeChartTag(tags[at], *block, song.warnings);
    }
    if (block)
        charts.finish(*block);
    return result;
}

} // namespace chart
