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
            if (at == text.size())
                break;
            if (static_cast<std::size_t>(count) == ChartLimits::maxRowsPerMeasure) {
                error = "measure " + std::to_string(measure + 1) + " has more than "
                    + std::to_string(ChartLimits::maxRowsPerMeasure) + " rows";
                return false;
            }
            Row row{count, {'0', '0', '0', '0'}};
            if (readRow(text, at, row.columns))
                stepped.push_back(row);
            ++count;
        }
        for (const Row& row : stepped) {
            const Beat beat(4 * (measure * count + row.index), count);
            for (const auto& [column, lane] : columnsByLane)
                take(row.columns[column], lane, beat);
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
        case 'F':
            notes.push_back({beat, beat, lane, NoteKind::Fake});
            break;
        case 'L':
            closeAsTap(head);
            notes.push_back({beat, beat, lane, NoteKind::Lift});
            break;
        default:
            break;
        }
    }

    struct Row {
        std::int64_t index;
        std::array<char, 4> columns;
    };

    // The first four columns of the row starting at `at`, moving `at` past
    // it; false when nothing but '0' is on it. A column's keysound "[3]" or
    // attributes "{...}" follow its character and are skipped.
    static bool readRow(std::string_view text, std::size_t& at, std::array<char, 4>& columns)
    {
        const std::size_t start = at;
        bool stepped = false;
        for (; at < text.size() && !isSpace(text[at]); ++at)
            stepped = stepped || text[at] != '0';
        if (!stepped)
            return false;
        const std::string_view row = text.substr(start, at - start);
        std::size_t column = 0;
        for (std::size_t i = 0; i < row.size() && column < columns.size(); ++i) {
            if (row[i] == '[' || row[i] == '{') {
                i = row.find(row[i] == '[' ? ']' : '}', i);
                if (i == std::string_view::npos)
                    break;
                continue;
            }
            columns[column++] = row[i];
        }
        return true;
    }

    void closeAsTap(std::int64_t& head)
    {
        if (head >= 0)
            notes[static_cast<std::size_t>(head)].kind = NoteKind::Tap;
        head = -1;
    }

    std::vector<Note>& notes;
    std::vector<Row> stepped;
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
