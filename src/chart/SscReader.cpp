#include "chart/SscReader.h"

#include "chart/ChartCollector.h"
#include "chart/MsdParser.h"
#include "chart/MsdValues.h"
#include "chart/SmTags.h"

#include <optional>

namespace chart {

namespace {

struct ChartBlock {
    std::string stepsType;
    std::string difficulty;
    int meter = 0;
    std::optional<std::string> notes;
    TempoMap::Source timing;
    bool ownTiming = false;
    std::string timingError;
};

std::string field(const MsdTag& tag)
{
    return tag.fields.empty() ? std::string() : tag.fields.front();
}

void takeChartTag(const MsdTag& tag, ChartBlock& block)
{
    if (tag.name == "STEPSTYPE")
        block.stepsType = MsdValues::lower(field(tag));
    else if (tag.name == "DIFFICULTY")
        block.difficulty = MsdValues::utf8(field(tag));
    else if (tag.name == "METER")
        block.meter = MsdValues::integer(field(tag), 0);
    else if (tag.name == "NOTES" || tag.name == "NOTES2")
        block.notes = field(tag);
    else if (SmTags::takeTiming(tag, block.timing, block.timingError))
        block.ownTiming = true;
}

void finishBlock(const ChartBlock& block, Song& song)
{
    if (!ChartCollector::isPlayed(block.stepsType))
        return;
    Chart steps;
    steps.stepsType = block.stepsType;
    steps.difficulty = block.difficulty;
    steps.meter = block.meter;
    steps.tempo = song.tempo;
    std::string error = block.timingError;
    if (error.empty() && block.ownTiming)
        TempoMap::build(block.timing, steps.tempo, error);
    if (error.empty() && !block.notes)
        error = "no #NOTES";
    if (!error.empty()) {
        ChartCollector::add(song, std::move(steps), error);
        return;
    }
    SmTags::addChart(song, std::move(steps), *block.notes);
}

} // namespace

ReadResult SscReader::read(std::string_view text)
{
    ReadResult result;
    std::vector<MsdTag> tags;
    if (!MsdParser::parse(text, tags, result.error))
        return result;
    Song& song = result.song;
    TempoMap::Source timing;
    std::size_t at = 0;
    for (; at < tags.size() && tags[at].name != "NOTEDATA"; ++at) {
        const MsdTag& tag = tags[at];
        if (!SmTags::takeSongData(tag, song) && SmTags::takeTiming(tag, timing, result.error)
            && !result.error.empty())
            return result;
    }
    if (!TempoMap::build(timing, song.tempo, result.error))
        return result;
    std::optional<ChartBlock> block;
    for (; at < tags.size(); ++at) {
        if (tags[at].name == "NOTEDATA") {
            if (block)
                finishBlock(*block, song);
            block.emplace();
            block->timing = timing;
            continue;
        }
        takeChartTag(tags[at], *block);
    }
    if (block)
        finishBlock(*block, song);
    return result;
}

} // namespace chart
