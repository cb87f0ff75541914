#pragma once

#include <string>
#include <vector>

namespace chart {

struct TempoChange {
    double beat = 0.0;
    double bpm = 0.0;
};

struct TempoStop {
    double beat = 0.0;
    double seconds = 0.0;
};

struct TempoWarp {
    double beat = 0.0;
    double length = 0.0; // in beats
};

// The song time of every beat, in milliseconds of the music (0 = the start of
// the music file). A note on a stop's beat happens when the stop starts; a
// note on a delay's beat when it ends. A warp jumps over its beats: they take
// no time and their notes are not played (a note on its first beat neither,
// unless a stop or delay sits there). Negative tempos, stops and delays encode
// warps too: the beats until the written time has caught up are jumped over,
// their first beat included. So do tempos above ChartLimits::maxBpm (the old
// way of writing a warp): up to the next tempo change. Notes inside a fake
// segment are shown but never judged.
class TempoMap {
public:
    // The tempo as a file writes it; beats are snapped to 1/48 beat.
    struct Source {
        double beat0Ms = 0.0; // song time of beat 0 (SM: -OFFSET s, DWI: GAP ms)
        std::vector<TempoChange> bpms;
        std::vector<TempoStop> stops;
        std::vector<TempoStop> delays;
        std::vector<TempoWarp> warps;
        std::vector<TempoWarp> fakes{};
    };

    // 120 BPM from the start of the music, no stops.
    TempoMap();

    // False with a reason when the tempo cannot be played: no tempo, values
    // that are not finite or out of range, a negative first tempo. What can be
    // played around is, with a line in `warnings`: tempos of 0 are left out,
    // stops and delays before beat 0 move beat 0 later.
    static bool build(const Source& source, TempoMap& map, std::string& error,
        std::vector<std::string>* warnings = nullptr);

    // Song time of a note on `beat`.
    double msAt(double beat) const;
    // False for beats that a warp jumps over.
    bool plays(double beat) const;
    // True for beats inside a fake segment.
    bool isFake(double beat) const;
    // The beat at song time `ms`: stands still during a stop.
    double beatAt(double ms) const;
    // The tempo in force at `beat` (its magnitude inside a warp).
    double bpmAt(double beat) const;

    double beat0Ms() const { return startMs; }
    const std::vector<TempoChange>& bpmChanges() const { return changes; }
    const std::vector<TempoStop>& stops() const { return pauses; }
    const std::vector<TempoStop>& delays() const { return delayList; }
    const std::vector<TempoWarp>& warps() const { return warpList; }
    const std::vector<TempoWarp>& fakes() const { return fakeList; }

private:
    // From `beat` to the next segment's beat time runs at `msPerBeat` from
    // `msAfter`; a note exactly on `beat` happens at `msAt`.
    struct Segment {
        double beat = 0.0;
        double msAt = 0.0;
        bool playsAt = true;
        double msAfter = 0.0;
        double msPerBeat = 500.0; // 0 inside a warp
        bool warped = false;
        double bpm = 120.0;
    };

    struct Checked {
        std::string& error;
        std::vector<std::string>* warnings;
        void warn(std::string line) const;
    };

    static bool validateChanges(const Source& source, std::vector<TempoChange>& changes,
        std::vector<TempoWarp>& warps, const Checked& checked);
    static bool validatePauses(const std::vector<TempoStop>& written, const char* kind, std::vector<TempoStop>& pauses,
        double& beat0Ms, const Checked& checked);
    static bool validateSegments(const std::vector<TempoWarp>& written, const char* kind,
        std::vector<TempoWarp>& segments, std::string& error);
    void buildSegments();
    const Segment& segmentAt(double beat) const;

    double startMs = 0.0;
    std::vector<TempoChange> changes;
    std::vector<TempoStop> pauses;
    std::vector<TempoStop> delayList;
    std::vector<TempoWarp> warpList;
    std::vector<TempoWarp> fakeList;
    std::vector<Segment> segments;
};

} // namespace chart
