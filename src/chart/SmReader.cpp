#include "chart/SmReader.h"

#include "chart/ChartCollector.h"
#include "chart/MsdParser.h"
#include "chart/MsdValues.h"
#include "chart/SmTags.h"

namespace chart {

namespace {

constexpr std::size_t notesFields = 6;

} // namespace

ReadResult SmReader::read(std::string_view text)
{
    ReadResult result;
    std::vector<MsdTag> tags;
    if (!MsdParser::parse(text, tags, result.error))
        return result;
    Song& song = result.song;
    TempoMap::Source timing;
    std::vector<const MsdTag*> charts;
    for (const MsdTag& tag : tags) {
        if (tag.name == "NOTES" || tag.name == "NOTES2")
            charts.push_back(&tag);
        else if (!SmTags::takeSongData(tag, song))
            SmTags::takeTiming(tag, timing, song.warnings);
    }
    if (!TempoMap::build(timing, song.tempo, result.error, &song.warnings))
        return result;
    for (const MsdTag* tag : charts) {
        const std::vector<std::string>& fields = tag->fields;
        if (fields.empty() || !ChartCollector::isPlayed(fields[0]))
            continue;
        Chart steps;
        steps.stepsType = MsdValues::lower(fields[0]);
        steps.description = fields.size() > 1 ? MsdValues::utf8(fields[1]) : std::string();
        steps.difficulty = fields.size() > 2 ? MsdValues::utf8(fields[2]) : std::string();
        steps.meter = fields.size() > 3 ? MsdValues::integer(fields[3], 0) : 0;
        steps.tempo = song.tempo;
        if (fields.size() < notesFields) {
            ChartCollector::add(song, std::move(steps),
                "#NOTES has " + std::to_string(fields.size()) + " of its " + std::to_string(notesFields) + " fields");
            continue;
        }
        SmTags::addChart(song, std::move(steps), fields[5]);
    }
    return result;
}

} // namespace chart
