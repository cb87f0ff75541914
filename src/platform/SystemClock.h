#pragma once

#include <cstdint>
#include <functional>

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
};

} // namespace platform
