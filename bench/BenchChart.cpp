#include "BenchChart.h"

#include "writers/DwiWriter.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int stepsPerBar = 8;
// Left, Up, Right, Down alone; then Left+Right, Up+Down, Left+Down, Right+Up.
constexpr char singles[] = {'4', '8', '6', '2'};
constexpr char pairs[] = {'A', 'B', '1', '5'};

// Arrows due by the start of step `step` of a bar, rounded up, so that a bar
// with a single arrow has it on its first step.
int arrowsBefore(int step, int density)
{
    return (density * step + stepsPerBar - 1) / stepsPerBar;
}

} // namespace

std::string BenchChart::notes(std::size_t halfBeats, int density)
{
    density = std::clamp(density, 0, 2 * stepsPerBar);
    std::string out(halfBeats, '0');
    std::size_t turn = 0;
    for (std::size_t i = 0; i < halfBeats; ++i) {
        const int step = static_cast<int>(i % stepsPerBar);
        const int arrows = arrowsBefore(step + 1, density) - arrowsBefore(step, density);
        if (arrows == 1)
            out[i] = singles[turn++ % std::size(singles)];
        else if (arrows == 2)
            out[i] = pairs[turn++ % std::size(pairs)];
    }
    return out;
}

std::string BenchChart::dwi(const std::string& notes, float bpm, int gap)
{
    char tempo[32];
    std::snprintf(tempo, sizeof tempo, "%.3f", static_cast<double>(bpm));
    forge::DwiWriter writer;
    writer.tag("TITLE", "Coconut");
    writer.tag("BPM", tempo);
    writer.tag("GAP", std::to_string(gap));
    writer.chart("SINGLE", "BEGINNER", 1, {notes});
    return writer.text();
}
