#include "audio/BeatClock.h"

#include <algorithm>
#include <utility>

namespace forge {

BeatClock::BeatClock(double beatZeroSeconds, std::vector<TempoSegment> tempo, std::vector<TempoPause> stops)
    : beatZero(beatZeroSeconds)
    , segments(std::move(tempo))
    , pauses(std::move(stops))
{
}

double BeatClock::seconds(double beat) const
{
    double time = beatZero;
    if (beat < 0.0)
        return time + beat * 60.0 / segments.front().bpm;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const double end = i + 1 < segments.size() ? segments[i + 1].beat : beat;
        if (beat <= segments[i].beat)
            break;
        time += (std::min(beat, end) - segments[i].beat) * 60.0 / segments[i].bpm;
    }
    for (const TempoPause& pause : pauses)
        if (pause.beat < beat)
            time += pause.seconds;
    return time;
}

double BeatClock::bpmAt(double beat) const
{
    double bpm = segments.front().bpm;
    for (const TempoSegment& segment : segments)
        if (segment.beat <= beat)
            bpm = segment.bpm;
    return bpm;
}

} // namespace forge
