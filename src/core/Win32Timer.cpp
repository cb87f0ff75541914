#include "core/Win32Timer.h"

#include "platform/SystemClock.h"

#include <cassert>
#include <chrono>

namespace {
using Counter = std::chrono::steady_clock;
}

Win32Timer::Win32Timer(Mode mode)
{
    if (mode == Mode::Counter) {
        usePerformanceCounter = true;
        simulated = platform::SystemClock::isSimulated();
        simulatedOrigin = platform::SystemClock::tickCount();
        frequency = Counter::period::den / Counter::period::num;
        msPerCount = static_cast<float>(1.0 / static_cast<double>(frequency) * 1000.0);
        startCounter = counterReading();
    } else {
        startTime = platform::SystemClock::tickCount();
    }
}

// A timer made in simulated time counts the simulated ticks since it was
// made (across the tick counter's wrap), so that animations run frame by
// frame like everything else.
std::int64_t Win32Timer::counterReading() const
{
    if (simulated) {
        constexpr std::int64_t countsPerMs = Counter::period::den / Counter::period::num / 1000;
        const std::uint32_t elapsed = platform::SystemClock::tickCount() - simulatedOrigin;
        return static_cast<std::int64_t>(elapsed) * countsPerMs;
    }
    return Counter::now().time_since_epoch().count();
}

double Win32Timer::getTime()
{
    if (m_pauseCount >= 1)
        return pausedTime;
    if (usePerformanceCounter)
        return static_cast<double>(counterReading() - startCounter) * msPerCount;
    const std::uint32_t elapsed = platform::SystemClock::tickCount() - startTime;
    return static_cast<double>(elapsed);
}

void Win32Timer::reset()
{
    if (usePerformanceCounter)
        startCounter = counterReading();
    else
        startTime = platform::SystemClock::tickCount();
    pausedTime = getTime();
}

void Win32Timer::pause()
{
    if (m_pauseCount == 0)
        pausedTime = getTime();
    ++m_pauseCount;
}

void Win32Timer::resume()
{
    assert(m_pauseCount > 0 && "m_pauseCount > 0");
    if (m_pauseCount <= 0)
        return;
    if (--m_pauseCount > 0)
        return;
    if (usePerformanceCounter)
        startCounter = counterReading() - static_cast<std::int64_t>(pausedTime / msPerCount);
    else
        startTime = platform::SystemClock::tickCount() - static_cast<std::uint32_t>(pausedTime);
}
