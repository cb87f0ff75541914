#include "platform/SystemClock.h"

#include <chrono>

namespace platform {
namespace {

std::uint32_t realTicks()
{
    using namespace std::chrono;
    const auto sinceEpoch = steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(sinceEpoch).count());
}

SystemClock::Source& currentSource()
{
    static SystemClock::Source source;
    return source;
}

} // namespace

std::uint32_t SystemClock::tickCount()
{
    const auto& source = currentSource();
    return source ? source() : realTicks();
}

void SystemClock::setSource(Source source)
{
    currentSource() = std::move(source);
}

void SystemClock::useRealTime()
{
    currentSource() = nullptr;
}

} // namespace platform
