#include "Stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace stats {

double mean(const std::vector<double>& values)
{
    if (values.empty())
        return 0.0;
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

double standardDeviation(const std::vector<double>& values)
{
    if (values.size() < 2)
        return 0.0;
    const double average = mean(values);
    double sum = 0.0;
    for (const double v : values)
        sum += (v - average) * (v - average);
    return std::sqrt(sum / static_cast<double>(values.size() - 1));
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    const double clamped = std::clamp(p, 0.0, 100.0);
    auto rank = static_cast<std::size_t>(std::ceil(clamped / 100.0 * static_cast<double>(values.size())));
    rank = std::clamp<std::size_t>(rank, 1, values.size());
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(rank - 1), values.end());
    return values[rank - 1];
}

double median(const std::vector<double>& values)
{
    return percentile(values, 50.0);
}

double maximum(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

double slope(const std::vector<double>& x, const std::vector<double>& y)
{
    const std::size_t n = std::min(x.size(), y.size());
    if (n < 2)
        return 0.0;
    const std::vector<double> xs(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n));
    const std::vector<double> ys(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n));
    const double mx = mean(xs);
    const double my = mean(ys);
    double sxy = 0.0;
    double sxx = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        sxy += (xs[i] - mx) * (ys[i] - my);
        sxx += (xs[i] - mx) * (xs[i] - mx);
    }
    return sxx == 0.0 ? 0.0 : sxy / sxx;
}

double lastStepCurvature(const std::vector<double>& x, const std::vector<double>& y)
{
    const std::size_t n = std::min(x.size(), y.size());
    if (n < 3)
        return 0.0;
    const double upperRun = x[n - 1] - x[n - 2];
    const double lowerRun = x[n - 2] - x[n - 3];
    if (!(upperRun > 0.0) || !(lowerRun > 0.0))
        return 0.0;
    const double lower = (y[n - 2] - y[n - 3]) / lowerRun;
    const double upper = (y[n - 1] - y[n - 2]) / upperRun;
    return lower > 0.0 ? upper / lower : 0.0;
}

} // namespace stats
