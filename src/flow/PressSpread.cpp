#include "flow/PressSpread.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

PressSpread::PressSpread(const std::vector<double>& errorsMs)
{
    double sum = 0.0;
    for (const double error : errorsMs) {
        if (!std::isfinite(error))
            continue;
        sum += error;
        ++count;
        ++counts[binOf(error)];
    }
    if (count == 0)
        return;
    mean = sum / static_cast<double>(count);
    double squares = 0.0;
    for (const double error : errorsMs) {
        if (std::isfinite(error))
            squares += (error - mean) * (error - mean);
    }
    deviation = std::sqrt(squares / static_cast<double>(count));
}

std::uint32_t PressSpread::fullestBin() const
{
    return *std::max_element(counts.begin(), counts.end());
}

std::size_t PressSpread::binOf(double errorMs)
{
    const double place = std::floor((errorMs + rangeMs) / binMs);
    return static_cast<std::size_t>(std::clamp(place, 0.0, static_cast<double>(binCount - 1)));
}

std::string PressSpread::meanLine() const
{
    if (count == 0)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "mean %+.1f ms", mean);
    return text;
}

std::string PressSpread::deviationLine() const
{
    if (count == 0)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "sd   %.1f ms", deviation);
    return text;
}
