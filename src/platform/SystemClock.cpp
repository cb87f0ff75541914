#include "platform/SystemClock.h"

#include <chrono>

namespace platform {
namespace {

// A stamp older than this is not taken as the time of an event just delivered.
constexpr std::int32_t longestEventAgeMs = 5000;

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

bool SystemClock::isSimulated()
{
    return static_cast<bool>(currentSource());
}

std::optional<std::uint32_t> SystemClock::fromMonotonicMs(std::uint32_t monotonicMs)
{
    const auto age = static_cast<std::int32_t>(realTicks() - monotonicMs);
    if (age < 0 || age > longestEventAgeMs)
        return std::nullopt;
    return tickCount() - static_cast<std::uint32_t>(age);
}

} // namespace platform
