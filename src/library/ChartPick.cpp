#include "library/ChartPick.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace library {

namespace {

int distance(Difficulty a, Difficulty b)
{
    return std::abs(static_cast<int>(a) - static_cast<int>(b));
}

} // namespace

const ChartChoice* ChartPick::nearest(const std::vector<ChartChoice>& charts, Difficulty wanted)
{
    const ChartChoice* best = nullptr;
    for (const ChartChoice& chart : charts)
        if (!best || distance(chart.difficulty, wanted) < distance(best->difficulty, wanted))
            best = &chart;
    return best;
}

std::size_t ChartPick::pick(const std::vector<ChartChoice>& charts, Difficulty wanted, const std::string& name)
{
    const auto named = std::find_if(charts.begin(), charts.end(), [&](const ChartChoice& chart) {
        return chart.difficulty == wanted && sameName(chart.name, name);
    });
    if (named != charts.end())
        return static_cast<std::size_t>(named - charts.begin());
    const ChartChoice* chosen = nearest(charts, wanted);
    return chosen ? static_cast<std::size_t>(chosen - charts.data()) : 0;
}

bool ChartPick::sameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

} // namespace library
