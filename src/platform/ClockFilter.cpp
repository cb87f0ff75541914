#include "platform/ClockFilter.h"

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

constexpr double nsPerMs = 1e6;
// The device's rate is believed within this share of the system clock's.
constexpr double largestRateError = 0.2;

} // namespace

// A critically damped loop: the position gains 2/T of the error per ms and
// the rate 1/T² of it, T the time constant.
double ClockFilter::follow(double rawMs, std::int64_t nowNs)
{
    const double elapsedMs = valid ? static_cast<double>(nowNs - atNs) / nsPerMs : 0.0;
    const double predicted = positionMs + rate * elapsedMs;
    const double error = rawMs - predicted;
    if (!valid || elapsedMs < 0.0 || std::fabs(error) > snapMs) {
        valid = true;
        positionMs = rawMs;
        atNs = nowNs;
        return rawMs;
    }
    const double step = std::min(elapsedMs, timeConstantMs);
    positionMs = predicted + error * 2.0 * step / timeConstantMs;
    rate = std::clamp(rate + error * step / (timeConstantMs * timeConstantMs), 1.0 - largestRateError,
                      1.0 + largestRateError);
    atNs = nowNs;
    return positionMs;
}

} // namespace platform
