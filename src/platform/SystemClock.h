#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// The system tick count in milliseconds: unsigned 32-bit, monotonic, wrapping
// after about 49.7 days. Tests replace the source with a simulated one so the
// game can run frame by frame in simulated time.
class SystemClock {
public:
    using Source = std::function<std::uint32_t()>;

    static std::uint32_t tickCount();

    static void setSource(Source source);
    static void useRealTime();
    // Whether a replaced source runs the clock (simulated time).
    static bool isSimulated();

    // The tick count at a moment stamped in milliseconds of the system's
    // monotonic clock (the clock X servers stamp input events with), or
    // nothing when that moment is not within the last few seconds (a clock
    // of another machine, or a stale stamp).
    static std::optional<std::uint32_t> fromMonotonicMs(std::uint32_t monotonicMs);
};

} // namespace platform
