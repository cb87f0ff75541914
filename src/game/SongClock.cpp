#include "game/SongClock.h"

#include "core/ObjectRegistry.h"
#include "platform/SystemClock.h"

#include <algorithm>

namespace {

// The song clock's rate against the ticks is measured over at least this long,
// and believed within this share of 1.
constexpr std::int32_t minimumRateSpanMs = 2000;
constexpr double largestRateError = 0.2;

} // namespace

SongClock::Reading SongClock::now(const char* stream, bool started)
{
    auto* sound = ObjectRegistry::instance()->findAs<SoundManager>("SoundManager");
    if (!sound)
        return {0.0, platform::SystemClock::tickCount()};
    if (!lastReading || sound->getStreamTime(stream) < sound->getStreamLength(stream)) {
        lastReading = sound->getSongMoment(stream);
        if (started && !firstReading && lastReading->songMs > 0.0)
            firstReading = lastReading;
        return *lastReading;
    }
    const std::uint32_t tick = platform::SystemClock::tickCount();
    return {lastReading->songMs + static_cast<std::int32_t>(tick - lastReading->tick), tick};
}

SongClock::Press SongClock::pressAt(std::uint32_t pressTick, const char* stream, bool started)
{
    const Reading reading = now(stream, started);
    const auto age = static_cast<std::int32_t>(reading.tick - pressTick);
    const std::uint32_t msAgo = age > 0 ? static_cast<std::uint32_t>(age) : 0;
    return {reading.songMs - msAgo * rate(), msAgo, reading.tick - msAgo};
}

void SongClock::reset()
{
    lastReading.reset();
    firstReading.reset();
}

// Song milliseconds per tick millisecond since the song began to sound: a
// sound device's clock may run a few percent off the system clock.
double SongClock::rate() const
{
    if (!firstReading || !lastReading)
        return 1.0;
    const auto ticks = static_cast<std::int32_t>(lastReading->tick - firstReading->tick);
    if (ticks < minimumRateSpanMs)
        return 1.0;
    const double measured = (lastReading->songMs - firstReading->songMs) / ticks;
    return std::clamp(measured, 1.0 - largestRateError, 1.0 + largestRateError);
}
