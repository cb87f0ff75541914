#include "game/SongRun.h"

void SongRun::start(std::uint32_t startedAt, double leadInMs, double fromMs)
{
    clock.start(songStream, startedAt, leadInMs, fromMs);
    startTick = startedAt;
}

void SongRun::reset()
{
    startTick.reset();
    songNow = 0.0;
    clock.reset();
}

double SongRun::advance()
{
    songNow = clock.now(songStream, startTick.has_value()).songMs;
    return songNow;
}
