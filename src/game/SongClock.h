#pragma once

#include "sound/SoundManager.h"

#include <cstdint>
#include <optional>

// The song time as the player hears it, read from the sound manager's stream
// of the song, and the song time of a press from the tick count it carries.
// Once the stream has ended its clock stands at the length: the song time
// then goes on with the tick count from the last reading, so arrows keep
// moving.
//
// A song may start with a lead-in: the clock then runs on the tick count
// from before the music's own time 0, and the music begins when the clock
// reaches it, from as far into the music as the clock has passed (and as
// early as the output's latency, so that what is heard matches the clock).
// Until the music is heard the clock keeps to the tick count.
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

    // Starts the song on `stream` as of `startTick`: with a lead-in the clock
    // reads -leadInMs then; without one the music plays at once from
    // `fromMs` into it. The clock reads the music's own time, which runs at
    // the sound manager's music rate (that many song ms per ms), also
    // through the lead-in and after the music's end.
    void start(const char* stream, std::uint32_t startTick, double leadInMs, double fromMs = 0.0);
    // `started`: the song has been started (its rate is measured from then).
    // Starts the music when the lead-in reaches its time.
    Reading now(const char* stream, bool started);
    // Where the song was when the key went down: the song clock now, less the
    // time since the press in song time. A press stamped in the future counts
    // as now.
    Press pressAt(std::uint32_t pressTick, const char* stream, bool started);
    // A press known by its song time (a replay's): how long ago that was, by
    // the clock now. A time still ahead counts as now.
    Press pressAtSongTime(double songMs, const char* stream, bool started);
    // Readings start afresh (a new start of the song).
    void reset();
    // The clock stands at the song time it has now and the music falls
    // silent, until `resume`.
    void pause(const char* stream);
    // Goes on as of `tick` from the song time it stood at: the music plays
    // on from there, or after a lead-in when that time lies before the music.
    void resume(const char* stream, std::uint32_t tick);
    bool isPaused() const { return pausedAt.has_value(); }
    // Song ms per ms of real time, as of the last start.
    double musicRate() const { return tempo; }

private:
    struct LeadIn {
        std::uint32_t startTick = 0;
        double ms = 0.0;
        bool musicStarted = false;
    };

    double rate() const;
    double offsetMs(const SoundManager& sound) const;
    Reading duringLeadIn(SoundManager& sound, const char* stream);
    Reading musicReading(SoundManager& sound, const char* stream) const;
    void playFrom(SoundManager* sound, const char* stream, double fromMs);
    void logHeardStart(const Reading& first);

    std::optional<Reading> lastReading;
    // The first reading after the song began to sound.
    std::optional<Reading> firstReading;
    // Until the music is heard after a lead-in.
    std::optional<LeadIn> leadIn;
    // Where in the music its play began: the stream counts from there.
    double musicFromMs = 0.0;
    // The song time a pause stopped the clock at.
    std::optional<double> pausedAt;
    // The music's heard start is told once per start, not again after a pause.
    bool heardStartLogged = false;
    double tempo = 1.0;
};
