#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// How far a player's judged presses were from their notes, as the song's
// closing timing line tells it. A constant offset (the player's reaction, or
// sound heard later than it is played) shows in the mean and is calibrated
// away; a song clock that runs at another rate than real time shows as a
// drift: the distances lie on a sloping line through the song.
class TimingSummary {
public:
    struct Figures {
        std::size_t presses = 0;
        double medianMs = 0.0;             // of the unsigned distances
        double p99Ms = 0.0;                // of the unsigned distances
        double meanMs = 0.0;               // signed: negative is early
        double farthestFromMeanMs = 0.0;
        double driftMsPerMinute = 0.0;     // slope of the least-squares line through the song
        double spreadP99Ms = 0.0;          // of the distances from that line
    };

    // `noteMs[i]` is the song time of the note the i-th press was judged on,
    // `errorMs[i]` its signed distance. Nullopt without presses or when the
    // two lists differ in length.
    static std::optional<Figures> of(const std::vector<double>& noteMs, const std::vector<double>& errorMs);
};
