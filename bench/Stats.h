#pragma once

#include <vector>

// Summary statistics over a series of measurements.
namespace stats {

double mean(const std::vector<double>& values);
double standardDeviation(const std::vector<double>& values);
// Nearest-rank percentile, p from 0 to 100; 0 for an empty series.
double percentile(std::vector<double> values, double p);
double median(const std::vector<double>& values);
double maximum(const std::vector<double>& values);
// Least-squares slope of y over x; 0 when x does not vary.
double slope(const std::vector<double>& x, const std::vector<double>& y);
// The slope of y over the last step of x against that over the step before,
// for points in rising x: 1 on a straight line, above 1 when y bends upwards.
// 0 for fewer than three points, a step that does not rise in x, or a lower
// step whose slope is not positive.
double lastStepCurvature(const std::vector<double>& x, const std::vector<double>& y);

} // namespace stats
