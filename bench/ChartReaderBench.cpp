#include "ChartReaderBench.h"

#include "Stats.h"
#include "chart/ChartFile.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using chart::ChartFormat;

constexpr int songCharts = 5;
constexpr int songMeasures = 120;
constexpr int bigCharts = 10;
constexpr std::size_t bigFileBytes = 2u << 20;
constexpr double bigFileTargetMs = 20.0;

const char* smRows[] = {"1000", "0000", "0100", "0000", "0010", "0000", "1001", "0000", "2000", "0000", "3000",
    "0001", "0M00", "0000", "0110", "0000"};
const char* dwiSteps = "4080602B0800A0003";

std::string smMeasures(int measures)
{
    std::string data;
    for (int m = 0; m < measures; ++m) {
        // Every eighth measure in 192nds, the others in 16ths.
        const int rows = m % 8 == 7 ? 192 : 16;
        for (int row = 0; row < rows; ++row) {
            data += rows == 16 ? smRows[row] : row % 12 == 0 ? "0100" : "0000";
            data += "\r\n";
        }
        data += m + 1 < measures ? ",\r\n" : ";\r\n";
    }
    return data;
}

std::string songHeader()
{
    return "#TITLE:Bench;\r\n#ARTIST:Flarevox;\r\n#MUSIC:bench.ogg;\r\n#OFFSET:-0.120;\r\n"
           "#BPMS:0.000=150.000,64.000=75.000,96.000=150.000;\r\n#STOPS:32.000=0.400,128.000=0.200;\r\n";
}

std::string generated(ChartFormat format, int charts, int measures)
{
    static const char* difficulties[] = {"Beginner", "Easy", "Medium", "Hard", "Challenge"};
    std::string text = format == ChartFormat::Dwi
        ? "#TITLE:Bench;\r\n#FILE:bench.ogg;\r\n#BPM:150;\r\n#GAP:120;\r\n#CHANGEBPM:256=75,384=150;\r\n"
          "#FREEZE:128=400,512=200;\r\n"
        : songHeader();
    for (int c = 0; c < charts; ++c) {
        const std::string difficulty = difficulties[c % 5];
        if (format == ChartFormat::Sm) {
            text += "#NOTES:\r\n     dance-single:\r\n     :\r\n     " + difficulty + ":\r\n     " + std::to_string(c + 1)
                + ":\r\n     0,0,0,0,0:\r\n" + smMeasures(measures);
        } else if (format == ChartFormat::Ssc) {
            text += "#NOTEDATA:;\r\n#STEPSTYPE:dance-single;\r\n#DIFFICULTY:" + difficulty + ";\r\n#METER:"
                + std::to_string(c + 1) + ";\r\n#NOTES:\r\n" + smMeasures(measures);
        } else {
            text += "#SINGLE:MANIAC:" + std::to_string(c + 1) + ":";
            for (int m = 0; m < measures; ++m)
                text += m % 8 == 7 ? std::string("`8") + std::string(47, '0') + "'" : "(" + std::string(dwiSteps, 16) + ")\r\n";
            text += ";\r\n";
        }
    }
    return text;
}

// Median milliseconds of one read, over at least five reads and `seconds`.
double medianReadMs(const std::string& text, ChartFormat format, double seconds, std::size_t& charts)
{
    std::vector<double> times;
    const auto budgetEnd = Clock::now() + std::chrono::duration<double>(seconds);
    while (times.size() < 5 || (Clock::now() < budgetEnd && times.size() < 2000)) {
        const auto start = Clock::now();
        const chart::ReadResult result = chart::ChartFile::parse(text, format);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        charts = result.ok() ? result.song.charts.size() : 0;
    }
    return stats::median(times);
}

} // namespace

BenchTable ChartReaderBench::run(double secondsPerFormat) const
{
    BenchTable table;
    const std::pair<ChartFormat, const char*> formats[] = {
        {ChartFormat::Sm, "SM"}, {ChartFormat::Ssc, "SSC"}, {ChartFormat::Dwi, "DWI"}};
    for (const auto& [format, name] : formats) {
        const std::string text = generated(format, songCharts, songMeasures);
        std::size_t charts = 0;
        const double ms = medianReadMs(text, format, secondsPerFormat, charts);
        char figure[96];
        std::snprintf(figure, sizeof figure, "%s charts read per second (%d charts of %d measures, %.0f KiB)", name,
            songCharts, songMeasures, static_cast<double>(text.size()) / 1024.0);
        table.add({"readers", figure, charts == songCharts ? charts * 1000.0 / ms : 0.0, "charts/s", "", 0, "",
            charts == songCharts ? "info" : "missed"});
    }
    // Ten charts of 16ths and 192nds, as many measures as fill 2 MB.
    const int measures = static_cast<int>(bigFileBytes / (smMeasures(8).size() / 8) / bigCharts);
    const std::string big = generated(ChartFormat::Sm, bigCharts, measures);
    std::size_t charts = 0;
    const double ms = medianReadMs(big, ChartFormat::Sm, secondsPerFormat, charts);
    char figure[96];
    std::snprintf(figure, sizeof figure, "SM file of %.1f MiB, %d charts, read", static_cast<double>(big.size()) / (1 << 20),
        bigCharts);
    char target[32];
    std::snprintf(target, sizeof target, "< %.0f ms", bigFileTargetMs);
    table.add({"readers", figure, ms, "ms", "", 0, target, verdict(charts == bigCharts && ms < bigFileTargetMs)});
    return table;
}
