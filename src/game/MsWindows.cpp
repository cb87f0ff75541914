#include "game/MsWindows.h"

#include <cmath>

namespace {

// Within each window's band of the judgement table's qualities.
constexpr std::array<float, Judgements::count> bandQualities{0.975f, 0.925f, 0.85f, 0.75f, 0.6f};

} // namespace

float MsWindows::qualityFor(double distanceMs)
{
    const double distance = std::fabs(distanceMs);
    for (std::size_t window = 0; window < boundsMs.size(); ++window) {
        if (distance < boundsMs[window])
            return bandQualities[window];
    }
    return 0.0f;
}
