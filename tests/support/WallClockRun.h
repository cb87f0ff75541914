#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace testsupport {

class SoundServer;

// The game's own song played by the real game in real time, player 1's keys
// (W A S D) pressed through the X server (XTest) at the wall-clock moments of
// the song's notes, counted from when the music's time 0 was heard (which the
// game logs; the slot key that starts the song comes a device's start-up
// earlier). The judgement of those presses shows how the song clock keeps to
// real time. Needs an X server (DISPLAY) and, for a sound server, its address.
class WallClockRun {
public:
    // Player 1's judged presses, from the song's closing log lines.
    struct Timing {
        unsigned presses = 0;         // sent through the X server
        unsigned judged = 0;
        unsigned godlike = 0;
        double meanMs = 0.0;          // mean signed distance (negative: early)
        double largestFromMeanMs = 0.0;
        double driftMsPerMinute = 0.0;
        double spreadP99Ms = 0.0;     // around the fitted line
        // The song clock read at the moments the X server took the keys (the
        // round's replay keeps each press's song time), against real time
        // since the music was heard: its drift and scatter, free of the key
        // driver's own late wakes.
        double clockDriftMsPerMinute = 0.0;
        double clockSpreadP99Ms = 0.0;
        // What the sound server's sink itself drifts from real time (played
        // ms per minute beyond a minute): the drift the presses should show.
        double sinkDriftMsPerMinute = 0.0;
    };
    struct Outcome {
        std::optional<Timing> timing;
        std::string failure;          // why there is no timing
    };

    // The game runs from a scratch folder on `runFolder`'s data.
    explicit WallClockRun(std::filesystem::path runFolder);

    // One whole song; `maxFps` 0 leaves the frame rate free. The game plays
    // through the sound server when one is given (its sink's own rate is
    // measured meanwhile), else on SDL's dummy driver.
    Outcome play(int maxFps, const SoundServer* server) const;

    // The slot key at 0, then the press moments (song ms) and keys of player
    // 1's notes.
    std::string schedule() const;

private:
    std::filesystem::path runFolder;
};

// The closing timing line of player 1; nullopt when the log has none.
std::optional<WallClockRun::Timing> readPlayerOneTiming(const std::string& log);

} // namespace testsupport
