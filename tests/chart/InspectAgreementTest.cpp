#include "support/TestSupport.h"
#include "writers/SmWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <random>

// flarevox-inspect against a counter of our own written from how players'
// files are meant, not from the readers: charts forged with fast-tempo warps,
// negative tempos and stops, stops before beat 0, delays, warps, fakes, lifts
// and keysounds. The counter steps through the song 1/48 beat at a
// time, following the time the file writes.

namespace {

constexpr int stepsPerBeat = 48;
constexpr int rowsPerMeasure = 48; // a row every 1/12 beat
constexpr int stepsPerRow = 4 * stepsPerBeat / rowsPerMeasure;

struct Counts {
    int notes = 0, jumps = 0, holds = 0, mines = 0, fakes = 0, lifts = 0;
    std::optional<double> firstMs, lastMs;
};

// The counts of the chart line that starts with `chart` (its description may
// follow) in the inspector's output.
std::optional<Counts> inspected(const std::string& out, const std::string& chart)
{
    const std::size_t start = out.find("\nchart " + chart);
    const std::size_t at = out.find(": notes", start);
    if (start == std::string::npos || at == std::string::npos)
        return std::nullopt;
    Counts c;
    char first[32] = {}, last[32] = {};
    const int read = std::sscanf(out.c_str() + at + 2,
        "notes %d, jumps %d, holds %d, mines %d, fakes %d, lifts %d, first %31s ms, last %31s ms", &c.notes, &c.jumps,
        &c.holds, &c.mines, &c.fakes, &c.lifts, first, last);
    if (read != 8)
        return std::nullopt;
    if (std::string(first) != "-")
        c.firstMs = std::stod(first);
    if (std::string(last) != "-")
        c.lastMs = std::stod(last);
    return c;
}

void expectSame(const Counts& inspected, const Counts& counted)
{
    const auto kinds = [](const Counts& c) { return std::array{c.notes, c.jumps, c.holds, c.mines, c.fakes, c.lifts}; };
    EXPECT_EQ(kinds(inspected), kinds(counted)) << "notes, jumps, holds, mines, fakes and lifts";
    ASSERT_EQ(inspected.firstMs.has_value(), counted.firstMs.has_value());
    ASSERT_EQ(inspected.lastMs.has_value(), counted.lastMs.has_value());
    if (counted.firstMs) {
        EXPECT_NEAR(*inspected.firstMs, *counted.firstMs, 0.01);
        EXPECT_NEAR(*inspected.lastMs, *counted.lastMs, 0.01);
    }
}

// The written timing at 1/48 beat resolution (every event below sits on it).
struct Timing {
    double beat0Ms = 0.0;
    std::map<int, double> bpms, stops, delays; // by step
    std::vector<std::pair<int, int>> warps, fakes; // [from, to) in steps

    static bool within(const std::vector<std::pair<int, int>>& spans, int step)
    {
        return std::any_of(spans.begin(), spans.end(), [step](auto span) { return step >= span.first && step < span.second; });
    }

    // Per step: whether a note there is played, and its song time.
    void walk(int steps, std::vector<bool>& plays, std::vector<double>& ms) const
    {
        double raw = beat0Ms;
        for (const auto& [step, seconds] : stops)
            raw += step < 0 ? seconds * 1000.0 : 0.0;
        double high = raw;
        double bpm = bpms.begin()->second;
        for (int step = 0; step < steps; ++step) {
            if (const auto change = bpms.find(step); change != bpms.end())
                bpm = change->second;
            const double delay = delays.contains(step) ? delays.at(step) * 1000.0 : 0.0;
            const double stop = stops.contains(step) ? stops.at(step) * 1000.0 : 0.0;
            raw += delay;
            const bool reached = raw >= high;
            high = std::max(high, raw);
            raw += stop;
            const bool tooFast = std::fabs(bpm) > 9999999.0;
            const bool warped = within(warps, step) || tooFast;
            const double advance = warped ? 0.0 : 60000.0 / bpm / stepsPerBeat;
            const bool skipsOn = warped || raw < high || advance < 0.0;
            plays.push_back(reached && (!skipsOn || delay > 0.0 || stop > 0.0));
            ms.push_back(high);
            high = std::max(high, raw);
            raw += advance;
        }
    }
};

// Rows of Left, Down, Up, Right with taps, jumps, holds, rolls, mines,
// fakes, lifts and keysounds; a lane being held gets only its tail.
std::vector<std::string> forgedRows(int count, std::mt19937& random)
{
    const std::string kinds = "0000000000000111112244MFL";
    std::vector<std::string> rows;
    std::array<int, 4> openUntil{-1, -1, -1, -1};
    for (int row = 0; row < count; ++row) {
        std::string text;
        for (std::size_t lane = 0; lane < 4; ++lane) {
            char c = kinds[random() % kinds.size()];
            if (openUntil[lane] > row)
                c = '0';
            else if (openUntil[lane] == row)
                c = '3';
            else if (c == '2' || c == '4')
                openUntil[lane] = std::min(count - 1, row + 1 + static_cast<int>(random() % 30));
            text += c;
            if (c == '1' && random() % 8 == 0)
                text += "[" + std::to_string(random() % 9) + "]";
        }
        rows.push_back(text);
    }
    return rows;
}

// The four columns of a row, keysounds ("1[3]") left out.
std::string columnsOf(const std::string& row)
{
    std::string columns;
    for (std::size_t at = 0; at < row.size(); ++at) {
        if (row[at] == '[')
            at = row.find(']', at);
        else
            columns += row[at];
    }
    return columns;
}

Counts countSm(const std::vector<std::string>& rows, const Timing& timing)
{
    std::vector<bool> plays;
    std::vector<double> ms;
    timing.walk(static_cast<int>(rows.size()) * stepsPerRow + 1, plays, ms);
    Counts counts;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::string columns = columnsOf(rows[row]);
        const int step = static_cast<int>(row) * stepsPerRow;
        int onRow = 0;
        for (const char c : columns) {
            if (c == '3' || c == '0' || !plays[step])
                continue;
            if (c == 'F' || Timing::within(timing.fakes, step)) {
                ++counts.fakes;
            } else if (c == 'M') {
                ++counts.mines;
            } else {
                ++counts.notes;
                ++onRow;
                counts.holds += c == '2' || c == '4';
                counts.lifts += c == 'L';
                counts.firstMs = counts.firstMs.value_or(ms[step]);
                counts.lastMs = ms[step];
            }
        }
        counts.jumps += onRow >= 2;
    }
    return counts;
}

} // namespace

TEST(InspectAgreement, ForgedSmChartsCountAsAnIndependentCounterCountsThem)
{
    testsupport::ScratchDir scratch;
    std::mt19937 random(28);
    Timing timing;
    timing.beat0Ms = 100.0;
    timing.bpms = {{0, 150.0}, {8 * 48, 1.2e8}, {10 * 48, 150.0}, {16 * 48, -150.0}, {18 * 48, 90.0}};
    timing.stops = {{-48, 0.25}, {4 * 48, 0.5}, {12 * 48, -0.19}, {22 * 48, 0.3}};
    timing.delays = {{26 * 48, 0.4}};
    timing.warps = {{20 * 48, 21 * 48}};
    timing.fakes = {{6 * 48, 7 * 48}, {34 * 48, 36 * 48}};
    forge::SmWriter sm;
    sm.tag("TITLE", "Agreement");
    sm.tag("OFFSET", "-0.100");
    sm.tag("BPMS", "0=150,8=120000000,10=150,16=-150,18=90,30=0"); // the tempo of 0 is left out
    sm.tag("STOPS", "-1=0.25,4=0.5,12=-0.19,22=0.3");
    sm.tag("DELAYS", "26=0.4");
    sm.tag("WARPS", "20=1");
    sm.tag("FAKES", "6=1,34=2");
    std::vector<std::pair<std::string, Counts>> expected;
    for (const char* difficulty : {"Easy", "Hard", "Challenge"}) {
        const std::vector<std::string> rows = forgedRows(40 * 12, random);
        sm.chart("dance-single", difficulty, 5, rows, rowsPerMeasure);
        expected.emplace_back(std::string("dance-single ") + difficulty + " 5", countSm(rows, timing));
    }
    scratch.write("agreement.sm", sm.text());
    const testsupport::CommandRun run =
        testsupport::runCommand(std::string(FLAREVOX_INSPECT) + " " + (scratch.path() / "agreement.sm").string());
    ASSERT_EQ(run.status, 0) << run.out;
    for (const auto& [chart, counted] : expected) {
        SCOPED_TRACE(chart);
        const std::optional<Counts> read = inspected(run.out, chart);
        ASSERT_TRUE(read) << run.out;
        EXPECT_GT(counted.fakes, 0);
        expectSame(*read, counted);
    }
    EXPECT_NE(run.out.find("warning: tempo of 0 BPM at beat 30 left out"), std::string::npos) << run.out;
}
