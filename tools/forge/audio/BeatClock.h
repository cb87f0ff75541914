#pragma once

#include <vector>

namespace forge {

struct TempoSegment {
    double beat = 0.0; // from here on
    double bpm = 120.0;
};

struct TempoPause {
    double beat = 0.0;
    double seconds = 0.0;
};

// The time of every beat of a song with tempo changes and stops, as step
// files count it: a note on a stop's beat sounds when the stop begins, the
// beats after it come the stop's length later.
class BeatClock {
public:
    // Tempo segments sorted by beat, the first starting at beat 0.
    BeatClock(double beatZeroSeconds, std::vector<TempoSegment> tempo, std::vector<TempoPause> stops);

    double seconds(double beat) const;
    double bpmAt(double beat) const;
    double secondsPerBeatAt(double beat) const { return 60.0 / bpmAt(beat); }
    double beatZeroSeconds() const { return beatZero; }
    const std::vector<TempoSegment>& tempo() const { return segments; }
    const std::vector<TempoPause>& stops() const { return pauses; }

private:
    double beatZero;
    std::vector<TempoSegment> segments;
    std::vector<TempoPause> pauses;
};

} // namespace forge
