#include "platform/SimulatedClock.h"

#include "platform/SystemClock.h"

namespace platform {

SimulatedClock::SimulatedClock(std::uint32_t start)
    : now_(start)
{
    SystemClock::setSource([this] { return now_; });
}

SimulatedClock::~SimulatedClock()
{
    SystemClock::useRealTime();
}

} // namespace platform
