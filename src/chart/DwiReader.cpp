#include "chart/DwiReader.h"

#include "chart/ChartCollector.h"
#include "chart/ChartLimits.h"
#include "chart/MsdParser.h"
#include "chart/MsdValues.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace chart {

namespace {

constexpr std::uint8_t left = 1 << LaneLeft;
constexpr std::uint8_t up = 1 << LaneUp;
constexpr std::uint8_t right = 1 << LaneRight;
constexpr std::uint8_t down = 1 << LaneDown;
constexpr std::uint8_t notAStep = 0xFF;
constexpr std::int64_t rowsPerBeat = 48; // 192nds are 1/48 beat

std::uint8_t lanesOf(char c)
{
    switch (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) {
    case '0': case '5': case 'C': case 'D': case 'M': return 0;
    case '1': return down | left;
    case '2': case 'F': case 'J': return down;
    case '3': return down | right;
    case '4': case 'E': case 'I': return left;
    case '6': case 'H': case 'L': return right;
    case '7': return up | left;
    case '8': case 'G': case 'K': return up;
    case '9': return up | right;
    case 'A': return up | down;
    case 'B': return left | right;
    default: return notAStep;
    }
}

std::int64_t rowsPerStep(char bracket)
{
    switch (bracket) {
    case '(': return 12;
    case '[': return 8;
    case '{': return 3;
    case '`': return 1;
    default: return 24;
    }
}

class DwiWalk {
public:
    explicit DwiWalk(std::vector<Note>& notes)
        : notes(notes)
    {
        open.fill(-1);
        onRow.fill(-1);
    }

    bool read(std::string_view text, std::string& error)
    {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '(' || c == '[' || c == '{' || c == '`' || c == ')' || c == ']' || c == '}' || c == '\'') {
                step = rowsPerStep(c);
            } else if (c == '<') {
                inChord = true;
                onRow.fill(-1);
            } else if (c == '>') {
                inChord = false;
                row += step;
            } else if (const std::uint8_t lanes = lanesOf(c); lanes != notAStep) {
                if (!inChord)
                    onRow.fill(-1);
                place(lanes);
                if (i + 2 < text.size() && text[i + 1] == '!') {
                    hold(lanesOf(text[i + 2]));
                    i += 2;
                }
                if (!inChord)
                    row += step;
            }
            if (row > static_cast<std::int64_t>(ChartLimits::maxBeat) * rowsPerBeat) {
                error = "longer than " + std::to_string(static_cast<long>(ChartLimits::maxBeat)) + " beats";
                return false;
            }
            if (notes.size() > ChartLimits::maxNotesPerChart) {
                error = "more than " + std::to_string(ChartLimits::maxNotesPerChart) + " notes";
                return false;
            }
        }
        for (std::int64_t head : open)
            if (head >= 0)
                notes[static_cast<std::size_t>(head)].kind = NoteKind::Tap;
        std::stable_sort(notes.begin(), notes.end(),
            [](const Note& a, const Note& b) { return a.beat < b.beat || (a.beat == b.beat && a.lane < b.lane); });
        return true;
    }

private:
    // A step on an arrow that is being held ends the hold there.
    void place(std::uint8_t lanes)
    {
        const Beat beat(row, rowsPerBeat);
        for (int lane = LaneLeft; lane <= LaneDown; ++lane) {
            if (!(lanes & (1 << lane)))
                continue;
            if (open[lane] >= 0) {
                notes[static_cast<std::size_t>(open[lane])].end = beat;
                open[lane] = -1;
                continue;
            }
            onRow[lane] = static_cast<std::int64_t>(notes.size());
            notes.push_back({beat, beat, static_cast<Lane>(lane), NoteKind::Tap});
        }
    }

    void hold(std::uint8_t lanes)
    {
        if (lanes == notAStep)
            return;
        for (int lane = LaneLeft; lane <= LaneDown; ++lane)
            if ((lanes & (1 << lane)) && onRow[lane] >= 0) {
                notes[static_cast<std::size_t>(onRow[lane])].kind = NoteKind::Hold;
                open[lane] = onRow[lane];
                onRow[lane] = -1;
            }
    }

    std::vector<Note>& notes;
    std::array<std::int64_t, 4> open{}; // the hold head waiting for its end, per lane
    std::array<std::int64_t, 4> onRow{}; // the tap each lane got on the current row
    std::int64_t row = 0;
    std::int64_t step = 24;
    bool inChord = false;
};

std::string field(const MsdTag& tag, std::size_t index = 0)
{
    return index < tag.fields.size() ? tag.fields[index] : std::string();
}

// "beat=value" lists count beats in 1/16 notes.
void readPositions(const MsdTag& tag, std::vector<std::pair<double, double>>& pairs, std::vector<std::string>& warnings)
{
    std::vector<std::string> bad;
    MsdValues::pairs(field(tag), pairs, bad);
    if (!bad.empty())
        warnings.push_back("#" + tag.name + ": left out '" + bad.front() + "'"
            + (bad.size() > 1 ? " and " + std::to_string(bad.size() - 1) + " more" : ""));
}

bool takeTiming(const MsdTag& tag, TempoMap::Source& timing, std::optional<double>& firstBpm,
    std::vector<std::string>& warnings)
{
    std::vector<std::pair<double, double>> pairs;
    if (tag.name == "BPM" || tag.name == "GAP") {
        double value = 0.0;
        if (!MsdValues::number(field(tag), value))
            warnings.push_back("#" + tag.name + ": left out '" + field(tag).substr(0, 40) + "'");
        else if (tag.name == "BPM")
            firstBpm = value;
        else
            timing.beat0Ms = value;
    } else if (tag.name == "CHANGEBPM" || tag.name == "BPMCHANGE") {
        readPositions(tag, pairs, warnings);
        for (const auto& [sixteenths, bpm] : pairs)
            timing.bpms.push_back({sixteenths / 4.0, bpm});
    } else if (tag.name == "FREEZE") {
        readPositions(tag, pairs, warnings);
        for (const auto& [sixteenths, ms] : pairs)
            timing.stops.push_back({sixteenths / 4.0, ms / 1000.0});
    } else {
        return false;
    }
    return true;
}

// DWI writes sample times in seconds with a decimal point ("45.5") or in
// whole milliseconds ("45500").
void readSampleTime(const std::string& text, double& seconds)
{
    double value = 0.0;
    if (MsdValues::number(text, value))
        seconds = text.find('.') == std::string::npos ? value / 1000.0 : value;
}

bool takeSongData(const MsdTag& tag, Song& song)
{
    if (tag.name == "TITLE")
        song.title = MsdValues::utf8(field(tag));
    else if (tag.name == "ARTIST")
        song.artist = MsdValues::utf8(field(tag));
    else if (tag.name == "FILE")
        song.music = field(tag);
    else if (tag.name == "DISPLAYBPM")
        song.displayBpm = MsdValues::utf8(field(tag));
    else if (tag.name == "SAMPLESTART")
        readSampleTime(field(tag), song.sampleStartSeconds);
    else if (tag.name == "SAMPLELENGTH")
        readSampleTime(field(tag), song.sampleLengthSeconds);
    else
        return false;
    return true;
}

void addChart(const MsdTag& tag, Song& song)
{
    Chart steps;
    steps.stepsType = "dance-single";
    steps.difficulty = MsdValues::utf8(field(tag, 0));
    steps.meter = MsdValues::integer(field(tag, 1), 0);
    steps.tempo = song.tempo;
    std::string error;
    if (tag.fields.size() < 3)
        error = "#SINGLE has " + std::to_string(tag.fields.size()) + " of its 3 fields";
    else
        DwiWalk(steps.notes).read(tag.fields[2], error);
    ChartCollector::add(song, std::move(steps), error);
}

} // namespace

ReadResult DwiReader::read(std::string_view text)
{
    ReadResult result;
    std::vector<MsdTag> tags;
    if (!MsdParser::parse(text, tags, result.error, false))
        return result;
    Song& song = result.song;
    TempoMap::Source timing;
    std::optional<double> firstBpm;
    std::vector<const MsdTag*> charts;
    for (const MsdTag& tag : tags) {
        if (tag.name == "SINGLE")
            charts.push_back(&tag);
        else if (!takeSongData(tag, song))
            takeTiming(tag, timing, firstBpm, song.warnings);
    }
    if (!firstBpm) {
        result.error = "no tempo (#BPM)";
        return result;
    }
    timing.bpms.insert(timing.bpms.begin(), {0.0, *firstBpm});
    if (!TempoMap::build(timing, song.tempo, result.error, &song.warnings))
        return result;
    for (const MsdTag* tag : charts)
        addChart(*tag, song);
    return result;
}

} // namespace chart
