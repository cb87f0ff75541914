#include "game/SongClock.h"

#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "platform/AudioEngine.h"
#include "platform/SystemClock.h"

#include <algorithm>
#include <cmath>

namespace {

// The song clock's rate against the ticks is measured over at least this long,
// and believed within this share of 1.
constexpr std::int32_t minimumRateSpanMs = 2000;
constexpr double largestRateError = 0.2;

SoundManager* findSound()
{
    return ObjectRegistry::instance()->findAs<SoundManager>("SoundManager");
}

} // namespace

void SongClock::start(const char* stream, std::uint32_t startTick, double leadInMs, double fromMs)
{
    reset();
    const SoundManager* sound = findSound();
    tempo = sound ? sound->getMusicRate() : 1.0;
    if (leadInMs > 0.0) {
        leadIn = LeadIn{startTick, leadInMs};
        OutputHandler::log(OutputHandler::find(), "SongClock: A lead-in of %.0f ms before the music", leadInMs);
    } else {
        playFrom(findSound(), stream, fromMs);
    }
}

void SongClock::playFrom(SoundManager* sound, const char* stream, double fromMs)
{
    musicFromMs = fromMs;
    if (!sound)
        return;
    sound->playFrom(stream, std::max(fromMs, 0.0) / 1000.0, tempo);
}

SongClock::Reading SongClock::now(const char* stream, bool started)
{
    SoundManager* sound = findSound();
    if (!sound)
        return {0.0, platform::SystemClock::tickCount()};
    if (pausedAt)
        return {*pausedAt, platform::SystemClock::tickCount()};
    if (leadIn) {
        const Reading during = duringLeadIn(*sound, stream);
        if (leadIn)
            return during;
    }
    if (!lastReading || sound->getStreamTime(stream) < sound->getStreamLength(stream)) {
        lastReading = musicReading(*sound, stream);
        if (started && !firstReading && lastReading->songMs > 0.0) {
            firstReading = lastReading;
            if (!heardStartLogged)
                logHeardStart(*firstReading);
            heardStartLogged = true;
        }
        return *lastReading;
    }
    const std::uint32_t tick = platform::SystemClock::tickCount();
    return {lastReading->songMs + static_cast<std::int32_t>(tick - lastReading->tick) * tempo, tick};
}

// The music starts once the ticks reach its time 0, less the output's
// latency; the clock follows the ticks (at the music's rate) until the music
// is heard, never ahead of it.
SongClock::Reading SongClock::duringLeadIn(SoundManager& sound, const char* stream)
{
    const std::uint32_t tick = platform::SystemClock::tickCount();
    const double heardMs = static_cast<std::int32_t>(tick - leadIn->startTick) * tempo - leadIn->ms;
    const Reading ticking{heardMs - offsetMs(sound), tick};
    if (!leadIn->musicStarted) {
        const double latencyMs = sound.getEngine().outputLatencyMs() * tempo;
        if (heardMs + latencyMs < 0.0)
            return ticking;
        leadIn->musicStarted = true;
        playFrom(&sound, stream, heardMs + latencyMs);
    }
    const Reading music = musicReading(sound, stream);
    if (music.songMs > musicFromMs - offsetMs(sound)) {
        leadIn.reset();
        return music;
    }
    return {std::min(ticking.songMs, music.songMs), tick};
}

SongClock::Reading SongClock::musicReading(SoundManager& sound, const char* stream) const
{
    Reading reading = sound.getSongMoment(stream);
    reading.songMs += musicFromMs;
    return reading;
}

SongClock::Press SongClock::pressAt(std::uint32_t pressTick, const char* stream, bool started)
{
    const Reading reading = now(stream, started);
    const auto age = static_cast<std::int32_t>(reading.tick - pressTick);
    const std::uint32_t msAgo = age > 0 ? static_cast<std::uint32_t>(age) : 0;
    return {reading.songMs - msAgo * rate(), msAgo, reading.tick - msAgo};
}

SongClock::Press SongClock::pressAtSongTime(double songMs, const char* stream, bool started)
{
    const Reading reading = now(stream, started);
    const double ageMs = (reading.songMs - songMs) / rate();
    const auto msAgo = ageMs > 0.0 ? static_cast<std::uint32_t>(std::lround(ageMs)) : 0u;
    return {songMs, msAgo, reading.tick - msAgo};
}

// The tick count (the system's monotonic milliseconds) at which the music's
// time 0 was heard, so that a tool pressing keys by the wall clock can time
// them from what the player hears.
void SongClock::logHeardStart(const Reading& first)
{
    const auto zeroTick = first.tick - static_cast<std::uint32_t>(std::lround(first.songMs / tempo));
    OutputHandler::log(OutputHandler::find(), "SongClock: The music's time 0 was heard at tick %u", zeroTick);
}

void SongClock::reset()
{
    lastReading.reset();
    firstReading.reset();
    leadIn.reset();
    musicFromMs = 0.0;
    pausedAt.reset();
    heardStartLogged = false;
}

void SongClock::pause(const char* stream)
{
    if (pausedAt)
        return;
    const double songMs = now(stream, true).songMs;
    if (SoundManager* sound = findSound())
        sound->stop(stream);
    leadIn.reset();
    pausedAt = songMs;
}

// The song time was heard `GlobalOffset` later than the music's own time; a
// lead-in counts up to the music as at the song's start. The rate against
// the ticks is measured afresh, the pause left out.
void SongClock::resume(const char* stream, std::uint32_t tick)
{
    if (!pausedAt)
        return;
    SoundManager* sound = findSound();
    const double musicMs = *pausedAt + (sound ? offsetMs(*sound) : 0.0);
    pausedAt.reset();
    lastReading.reset();
    firstReading.reset();
    if (musicMs < 0.0) {
        musicFromMs = 0.0;
        leadIn = LeadIn{tick, -musicMs};
    } else {
        playFrom(sound, stream, musicMs);
    }
}

// Song milliseconds per tick millisecond since the song began to sound: the
// music's rate, and a sound device's clock may run a few percent off the
// system clock.
double SongClock::rate() const
{
    if (!firstReading || !lastReading)
        return tempo;
    const auto ticks = static_cast<std::int32_t>(lastReading->tick - firstReading->tick);
    if (ticks < minimumRateSpanMs)
        return tempo;
    const double measured = (lastReading->songMs - firstReading->songMs) / ticks;
    return std::clamp(measured, tempo * (1.0 - largestRateError), tempo * (1.0 + largestRateError));
}

double SongClock::offsetMs(const SoundManager& sound) const
{
    return sound.offsetAt(tempo);
}
