#include "RelayTimes.h"

#include <algorithm>
#include <cstdio>

void RelayTimes::add(std::int64_t us)
{
    us = std::max<std::int64_t>(us, 0);
    ++counts[std::min(static_cast<std::size_t>(us / stepUs), steps - 1)];
    ++total;
    worstUs = std::max(worstUs, us);
}

double RelayTimes::percentileMs(double share) const
{
    if (total == 0)
        return 0.0;
    const auto wanted = static_cast<std::uint64_t>(share * static_cast<double>(total - 1)) + 1;
    std::uint64_t seen = 0;
    for (std::size_t step = 0; step < steps; ++step) {
        seen += counts[step];
        if (seen >= wanted)
            return static_cast<double>((static_cast<std::int64_t>(step) + 1) * stepUs) / 1000.0;
    }
    return worstMs();
}

std::string RelayTimes::text() const
{
    if (total == 0)
        return {};
    char line[128];
    std::snprintf(line, sizeof line, "time in the server: 50%% %.3f ms, 99%% %.3f ms, worst %.3f ms",
                  percentileMs(0.5), percentileMs(0.99), worstMs());
    return line;
}
