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

// All fields as written: "75:150" comes as two fields.
std::string joinedFields(const MsdTag& tag)
{
    std::string joined;
    for (const std::string& value : tag.fields)
        joined += (joined.empty() ? "" : ":") + value;
    return joined;
}

} // namespace

void SmTags::readPairs(const MsdTag& tag, std::vector<std::pair<double, double>>& pairs,
    std::vector<std::string>& warnings)
{
    std::vector<std::string> bad;
    MsdValues::pairs(field(tag), pairs, bad);
    if (!bad.empty())
        warnings.push_back("#" + tag.name + ": left out '" + bad.front() + "'"
            + (bad.size() > 1 ? " and " + std::to_string(bad.size() - 1) + " more" : ""));
}

bool SmTags::takeSongData(const MsdTag& tag, Song& song)
{
    const std::string value = field(tag);
    if (tag.name == "TITLE")
        song.title = MsdValues::utf8(value);
    else if (tag.name == "SUBTITLE")
        song.subtitle = MsdValues::utf8(value);
    else if (tag.name == "ARTIST")
        song.artist = MsdValues::utf8(value);
    else if (tag.name == "TITLETRANSLIT")
        song.titleTranslit = MsdValues::utf8(MsdValues::trim(value));
    else if (tag.name == "SUBTITLETRANSLIT")
        song.subtitleTranslit = MsdValues::utf8(MsdValues::trim(value));
    else if (tag.name == "ARTISTTRANSLIT")
        song.artistTranslit = MsdValues::utf8(MsdValues::trim(value));
    else if (tag.name == "MUSIC")
        song.music = value;
    else if (tag.name == "BANNER")
        song.banner = value;
    else if (tag.name == "SAMPLESTART")
        MsdValues::number(value, song.sampleStartSeconds);
    else if (tag.name == "SAMPLELENGTH")
        MsdValues::number(value, song.sampleLengthSeconds);
    else if (tag.name == "DISPLAYBPM")
        song.displayBpm = MsdValues::utf8(joinedFields(tag));
    else
        return false;
    return true;
}

bool SmTags::takeTiming(const MsdTag& tag, TempoMap::Source& source, std::vector<std::string>& warnings)
{
    std::vector<std::pair<double, double>> pairs;
    if (tag.name == "OFFSET") {
        double seconds = 0.0;
        if (MsdValues::number(field(tag), seconds))
            source.beat0Ms = -seconds * 1000.0;
        else
            warnings.push_back("#OFFSET: left out '" + field(tag).substr(0, 40) + "'");
        return true;
    }
    if (tag.name == "BPMS") {
        readPairs(tag, pairs, warnings);
        source.bpms.clear();
        for (const auto& [beat, bpm] : pairs)
            source.bpms.push_back({beat, bpm});
    } else if (tag.name == "STOPS" || tag.name == "FREEZES" || tag.name == "DELAYS") {
        readPairs(tag, pairs, warnings);
        std::vector<TempoStop>& pauses = tag.name == "DELAYS" ? source.delays : source.stops;
        pauses.clear();
        for (const auto& [beat, seconds] : pairs)
            pauses.push_back({beat, seconds});
    } else if (tag.name == "WARPS" || tag.name == "FAKES") {
        readPairs(tag, pairs, warnings);
        std::vector<TempoWarp>& segments = tag.name == "WARPS" ? source.warps : source.fakes;
        segments.clear();
        for (const auto& [beat, length] : pairs)
            segments.push_back({beat, length});
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
