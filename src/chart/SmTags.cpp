#include "chart/SmTags.h"

#include "chart/ChartCollector.h"
#include "chart/MeasureReader.h"
#include "chart/MsdValues.h"


namespace chart {

namespace {

std::string field(const MsdTag& tag)
{
    return tag.fields.empty() ? std::string() : tag.fields.front();
}

bool readPairs(const MsdTag& tag, std::vector<std::pair<double, double>>& pairs, std::string& error)
{
    std::string bad;
    if (MsdValues::pairs(field(tag), pairs, bad))
        return true;
    error = "#" + tag.name + ": cannot read '" + bad + "'";
    return false;
}

} // namespace

bool SmTags::takeSongData(const MsdTag& tag, Song& song)
{
    const std::string value = field(tag);
    if (tag.name == "TITLE")
        song.title = MsdValues::utf8(value);
    else if (tag.name == "SUBTITLE")
        song.subtitle = MsdValues::utf8(value);
    else if (tag.name == "ARTIST")
        song.artist = MsdValues::utf8(value);
    else if (tag.name == "MUSIC")
        song.music = value;
    else if (tag.name == "SAMPLESTART")
        MsdValues::number(value, song.sampleStartSeconds);
    else if (tag.name == "SAMPLELENGTH")
        MsdValues::number(value, song.sampleLengthSeconds);
    else if (tag.name == "DISPLAYBPM")
        song.displayBpm = MsdValues::utf8(value);
    else
        return false;
    return true;
}

bool SmTags::takeTiming(const MsdTag& tag, TempoMap::Source& source, std::string& error)
{
    std::vector<std::pair<double, double>> pairs;
    if (tag.name == "OFFSET") {
        double seconds = 0.0;
        if (!MsdValues::number(field(tag), seconds))
            error = "#OFFSET: cannot read '" + field(tag).substr(0, 40) + "'";
        source.beat0Ms = -seconds * 1000.0;
    } else if (tag.name == "BPMS") {
        source.bpms.clear();
        if (readPairs(tag, pairs, error))
            for (const auto& [beat, bpm] : pairs)
                source.bpms.push_back({beat, bpm});
    } else if (tag.name == "STOPS" || tag.name == "FREEZES") {
        source.stops.clear();
        if (readPairs(tag, pairs, error))
            for (const auto& [beat, seconds] : pairs)
                source.stops.push_back({beat, seconds});
    } else if (tag.name == "DELAYS") {
        source.delays.clear();
        if (readPairs(tag, pairs, error))
            for (const auto& [beat, seconds] : pairs)
                source.delays.push_back({beat, seconds});
    } else if (tag.name == "WARPS") {
        source.warps.clear();
        if (readPairs(tag, pairs, error))
            for (const auto& [beat, length] : pairs)
                source.warps.push_back({beat, length});
    } else {
        return false;
    }
    return true;
}

void SmTags::addChart(Song& song, Chart chart, std::string_view noteData)
{
    std::string error;
    MeasureReader::read(noteData, chart.notes, error);
    ChartCollector::add(song, std::move(chart), error);
}

} // namespace chart
