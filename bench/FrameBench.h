#pragma once

#include "BenchTable.h"

#include <string>

// The frame in the game screen: the real main loop in this process on a
// 1024x768 window, the autoplay bot playing both players, time simulated at
// 30 frames per second (silent sound output, the song clock following the
// ticks), so a whole song takes as long as its frames cost to make; the
// simulated rate changes how far things move per frame, not what is drawn. Measured
// from a few seconds into the song, with arrows on the field and the particle
// swarm full: `MainLoop::update`, `MainLoop::draw` with the buffer swap, and
// the heap allocations of both; beside them an empty frame (clear and swap)
// on the same window, and the resident memory the game adds to what the
// window and GL stack hold alone. Optionally with one core kept busy.
class FrameBench {
public:
    struct Settings {
        double seconds = 1e9;  // play measured; the rest of the song when longer
        int particles = -1;    // "MaxParticels"; -1 keeps the configuration's
        int density = 0;       // arrows per four beats of a written chart; 0: the song's own
        bool oneCoreBusy = false;
        double rate = 1.0;     // the music's rate: other than 1.0 it is stretched as it plays
    };

    static constexpr int simulatedFps = 30;
    static constexpr int width = 1024;
    static constexpr int height = 768;
    // 60 frames a second held: the frame p99 within one display refresh.
    static constexpr double frameP99TargetMs = 16.7;
    // What the game may add to the resident memory of the window and GL stack.
    static constexpr double memoryGrowthTargetMiB = 64.0;

    // Figures the growth section reads back from a run.
    static constexpr const char* frameMean = "frame (update + draw + swap), mean";
    static constexpr const char* emptyFrameMean = "empty frame (clear + swap), mean";
    static constexpr const char* liveArrowsMean = "live arrows, mean";
    static constexpr const char* particleCount = "particles in the swarm";
    static constexpr const char* allocationsMedian = "heap allocations per frame, median";

    explicit FrameBench(Settings settings) : settings(settings) {}

    // Rows under the section's name; run from the game's run folder.
    BenchTable run(const std::string& section) const;

private:
    Settings settings;
};
