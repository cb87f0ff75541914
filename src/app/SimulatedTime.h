#pragma once

#include "app/Application.h"
#include "platform/SimulatedClock.h"

#include <cstdint>
#include <memory>

// A switch for demos and tests: with FLAREVOX_SIMULATED_FPS=<n> the tick
// count is simulated and moves on by exactly 1000/n ms per frame, and every
// sound plays on the silent output, whose clock follows the ticks. A whole
// song then runs as fast as the frames can be drawn, the same on every run.
class SimulatedTime {
public:
    static constexpr int maximumFps = 1000;

    // Null when the switch is off or its value is not 1 to maximumFps.
    static std::shared_ptr<SimulatedTime> fromEnvironment();

    explicit SimulatedTime(int framesPerSecond);

    // Moves the clock on by one frame, keeping the fractions of a millisecond.
    void advanceFrame();
    std::uint32_t now() const { return clock.now(); }

private:
    platform::SimulatedClock clock;
    const int fps;
    // Milliseconds times fps not yet added to the clock.
    int remainder = 0;
};
