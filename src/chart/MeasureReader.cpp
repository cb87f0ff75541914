#include "chart/MeasureReader.h"

#include "chart/ChartLimits.h"

#include <array>
#include <cstdint>

namespace chart {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Columns in lane order, so that the notes of a row come out sorted by lane.
constexpr std::array<std::pair<std::size_t, Lane>, 4> columnsByLane{
    {{0, LaneLeft}, {2, LaneUp}, {3, LaneRight}, {1, LaneDown}}};

class MeasureWalk {
public:
    explicit MeasureWalk(std::vector<Note>& notes)
        : notes(notes)
    {
        open.fill(-1);
    }

    bool readMeasure(std::string_view text, std::int64_t measure, std::string& error)
    {
        // Most rows are "0000": only rows with something on them are kept.
        stepped.clear();
        std::int64_t count = 0;
        std::size_t at = 0;
        while (at < text.size()) {
            while (at < text.size() && isSpace(text[at]))
                ++at;
            const std::size_t start = at;
            bool empty = true;
            for (; at < text.size() && !isSpace(text[at]); ++at)
                empty = empty && text[at] == '0';
            if (at == start)
                continue;
            if (static_cast<std::size_t>(count) == ChartLimits::maxRowsPerMeasure) {
                error = "measure " + std::to_string(measure + 1) + " has more than "
                    + std::to_string(ChartLimits::maxRowsPerMeasure) + " rows";
                return false;
            }
            if (!empty)
                stepped.push_back({count, text.substr(start, at - start)});
            ++count;
        }
        for (const auto& [row, columns] : stepped) {
            const Beat beat(4 * (measure * count + row), count);
            for (const auto& [column, lane] : columnsByLane)
                if (column < columns.size())
                    take(columns[column], lane, beat);
        }
        if (notes.size() > ChartLimits::maxNotesPerChart) {
            error = "more than " + std::to_string(ChartLimits::maxNotesPerChart) + " notes";
            return false;
        }
        return true;
    }

    // Heads left open at the end play as taps.
    void finish()
    {
        for (std::int64_t& head : open)
            closeAsTap(head);
    }

private:
    void take(char c, Lane lane, const Beat& beat)
    {
        std::int64_t& head = open[lane];
        switch (c) {
        case '1':
            closeAsTap(head);
            notes.push_back({beat, beat, lane, NoteKind::Tap});
            break;
        case '2':
        case '4':
            closeAsTap(head);
            head = static_cast<std::int64_t>(notes.size());
            notes.push_back({beat, beat, lane, c == '2' ? NoteKind::Hold : NoteKind::Roll});
            break;
        case '3':
            if (head >= 0)
                notes[static_cast<std::size_t>(head)].end = beat;
            head = -1;
            break;
        case 'M':
            notes.push_back({beat, beat, lane, NoteKind::Mine});
            break;
        default:
            break;
        }
    }

    void closeAsTap(std::int64_t& head)
    {
        if (head >= 0)
            notes[static_cast<std::size_t>(head)].kind = NoteKind::Tap;
        head = -1;
    }

    std::vector<Note>& notes;
    std::vector<std::pair<std::int64_t, std::string_view>> stepped; // row index, columns
    std::array<std::int64_t, 4> open{};
};

} // namespace

bool MeasureReader::read(std::string_view data, std::vector<Note>& notes, std::string& error)
{
    MeasureWalk walk(notes);
    std::int64_t measure = 0;
    while (true) {
        if (measure * 4 > static_cast<std::int64_t>(ChartLimits::maxBeat)) {
            error = "more than " + std::to_string(measure) + " measures";
            return false;
        }
        const std::size_t comma = data.find(',');
        if (!walk.readMeasure(data.substr(0, comma), measure, error))
            return false;
        if (comma == std::string_view::npos)
            break;
        data.remove_prefix(comma + 1);
        ++measure;
    }
    walk.finish();
    return true;
}

} // namespace chart
