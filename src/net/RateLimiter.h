#pragma once

#include <cstdint>

namespace net {

// A token bucket: up to `burst` events at once, refilled at `ratePerSecond`.
// Times are microseconds of a steady clock.
class RateLimiter {
public:
    RateLimiter(double ratePerSecond, double burst) : ratePerSecond(ratePerSecond), burst(burst), tokens(burst) {}

    // True when an event at this moment is within the rate (and uses it up).
    bool allow(std::int64_t nowUs);
    void reset() { tokens = burst; started = false; }

private:
    double ratePerSecond;
    double burst;
    double tokens;
    std::int64_t lastUs = 0;
    bool started = false;
};

} // namespace net
