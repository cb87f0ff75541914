#pragma once

#include "sound/SoundManager.h"

#include <cstdint>
#include <optional>

// The song time as the player hears it, read from the sound manager's stream
// of the song, and the song time of a press from the tick count it carries.
// Once the stream has ended its clock stands at the length: the song time
// then goes on with the tick count from the last reading, so arrows keep
// moving.
class SongClock {
public:
    using Reading = SoundManager::SongMoment;
    // A press: the song time and tick count at which it happened, and how
    // long ago that was.
    struct Press {
        double songMs = 0.0;
        std::uint32_t msAgo = 0;
        std::uint32_t tick = 0;
    };

    // `started`: the song has been started (its rate is measured from then).
    Reading now(const char* stream, bool started);
    // Where the song was when the key went down: the song clock now, less the
    // time since the press in song time. A press stamped in the future counts
    // as now.
    Press pressAt(std::uint32_t pressTick, const char* stream, bool started);
    // Readings start afresh (a new start of the song).
    void reset();

private:
    double rate() const;

    std::optional<Reading> lastReading;
    // The first reading after the song began to sound.
    std::optional<Reading> firstReading;
};
