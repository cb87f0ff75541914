#pragma once

#include <cstdint>

namespace platform {

// Smooths a stream's position as a sound device reports it. A device clock
// moves in steps: a buffer is handed over whenever the audio thread gets to
// run, some early and some late, so the raw position jitters by milliseconds
// around the music, and its rate may differ from the system clock by a few
// percent. The filter follows it with a second-order loop: between readings
// it runs at the rate it has learned; each reading pulls both its position
// and its rate towards the device's, over about `timeConstantMs`. A jump
// further than `snapMs` (a seek, a stall, a restart) is taken at once.
class ClockFilter {
public:
    static constexpr double timeConstantMs = 200.0;
    static constexpr double snapMs = 40.0;

    // The filtered position for a raw reading at `nowNs` (steady clock).
    double follow(double rawMs, std::int64_t nowNs);
    // A new play: the position is taken afresh, the rate learned so far (the
    // device's) is kept.
    void reset() { valid = false; }

private:
    bool valid = false;
    double positionMs = 0.0;
    double rate = 1.0;
    std::int64_t atNs = 0;
};

} // namespace platform
