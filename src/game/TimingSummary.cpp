#include "game/TimingSummary.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double msPerMinute = 60000.0;

// The nearest-rank value at `share` (0..1) of the values, sorted here.
double percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5)];
}

double mean(const std::vector<double>& values)
{
    double sum = 0.0;
    for (const double value : values)
        sum += value;
    return sum / static_cast<double>(values.size());
}

} // namespace

std::optional<TimingSummary::Figures> TimingSummary::of(const std::vector<double>& noteMs,
                                                    const std::vector<double>& errorMs)
{
    if (errorMs.empty() || noteMs.size() != errorMs.size())
        return std::nullopt;
    Figures figures;
    figures.presses = errorMs.size();
    std::vector<double> unsignedMs;
    for (const double error : errorMs)
        unsignedMs.push_back(std::fabs(error));
    figures.medianMs = percentile(unsignedMs, 0.5);
    figures.p99Ms = percentile(unsignedMs, 0.99);
    figures.meanMs = mean(errorMs);
    const double meanNoteMs = mean(noteMs);
    double covariance = 0.0;
    double variance = 0.0;
    for (std::size_t i = 0; i < errorMs.size(); ++i) {
        covariance += (noteMs[i] - meanNoteMs) * (errorMs[i] - figures.meanMs);
        variance += (noteMs[i] - meanNoteMs) * (noteMs[i] - meanNoteMs);
        figures.farthestFromMeanMs = std::max(figures.farthestFromMeanMs, std::fabs(errorMs[i] - figures.meanMs));
    }
    // Presses all on one note time give no slope.
    const double slope = variance > 0.0 ? covariance / variance : 0.0;
    figures.driftMsPerMinute = slope * msPerMinute;
    std::vector<double> fromLine;
    for (std::size_t i = 0; i < errorMs.size(); ++i)
        fromLine.push_back(std::fabs(errorMs[i] - figures.meanMs - slope * (noteMs[i] - meanNoteMs)));
    figures.spreadP99Ms = percentile(fromLine, 0.99);
    return figures;
}
