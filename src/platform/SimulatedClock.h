#pragma once

#include <cstdint>

namespace platform {

// A tick source advanced by hand. While it lives, SystemClock::tickCount()
// reads it; on destruction the real clock comes back.
class SimulatedClock {
public:
    explicit SimulatedClock(std::uint32_t start = 1000);
    ~SimulatedClock();
    SimulatedClock(const SimulatedClock&) = delete;
    SimulatedClock& operator=(const SimulatedClock&) = delete;

    void advance(std::uint32_t ms) { now_ += ms; }
    void set(std::uint32_t ms) { now_ = ms; }
    std::uint32_t now() const { return now_; }

private:
    std::uint32_t now_;
};

} // namespace platform
