#pragma once

#include "game/SongClock.h"

#include <cstdint>
#include <optional>

// One run of a song on its stream: when it started, the song time of this
// frame and of presses, and its pauses. The song clock is the sound
// manager's (SongClock).
class SongRun {
public:
    using Press = SongClock::Press;

    explicit SongRun(const char* stream) : songStream(stream) {}

    // The name of the stream the song plays on.
    const char* stream() const { return songStream; }
    void setStream(const char* stream) { songStream = stream; }
    // Plays the song as of `startTick` (SongClock::start).
    void start(std::uint32_t startTick, double leadInMs, double fromMs);
    // Not started again; the clock's readings start afresh.
    void reset();
    // This frame's song time, read from the clock.
    double advance();
    // The song time of this frame's arrows, in ms.
    double now() const { return songNow; }
    // The song clock now, read afresh (the frame's arrows keep `now`).
    SongClock::Reading read() { return clock.now(songStream, startTick.has_value()); }
    // Where the song was at the tick count of a press.
    Press pressAt(std::uint32_t pressTick) { return clock.pressAt(pressTick, songStream, startTick.has_value()); }
    Press pressAtSongTime(double songMs)
    {
        return clock.pressAtSongTime(songMs, songStream, startTick.has_value());
    }
    // The clock stands and the music falls silent until it goes on, as of
    // `tick`, from that very song time.
    void pause() { clock.pause(songStream); }
    void resume(std::uint32_t tick) { clock.resume(songStream, tick); }
    bool isPaused() const { return clock.isPaused(); }
    bool isStarted() const { return startTick.has_value(); }
    // The tick count at which the song started, once it has.
    std::optional<std::uint32_t> getStartTick() const { return startTick; }

private:
    const char* songStream;
    SongClock clock;
    std::optional<std::uint32_t> startTick;
    double songNow = 0.0;
};
