#include "TimingWallBench.h"

#include "support/PrivateDisplay.h"
#include "support/SoundServer.h"
#include "support/WallClockRun.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr const char* section = "timing-wall";
// 0.02 ms per second.
constexpr double driftLimitMsPerMinute = 1.2;
constexpr double spreadLimitMs = 4.0;
// The null sink must keep the system clock's rate for the drift to mean anything.
constexpr double sinkDriftLimitMsPerMinute = 0.3;
// "Godlike" on the game's own song: 0.05 beat at 128 beats per minute.
constexpr double godlikeMs = 0.05 * 60000.0 / 128.0;
constexpr int runsInARow = 2;

struct Condition {
    const char* name;
    int maxFps;
};

const Condition conditions[] = {
    {"natural frame rate", 0},
    {"FLAREVOX_MAX_FPS=20", 20},
};

void addRows(BenchTable& table, const std::string& at, const testsupport::WallClockRun::Timing& timing)
{
    table.add({section, "sink's own drift from real time" + at, timing.sinkDriftMsPerMinute, "ms/min", "", 0.0,
               "within +-0.3 ms/min", verdict(std::fabs(timing.sinkDriftMsPerMinute) <= sinkDriftLimitMsPerMinute)});
    table.add({section, "presses judged Godlike" + at, static_cast<double>(timing.godlike), "", "presses sent",
               static_cast<double>(timing.presses), "all", verdict(timing.godlike == timing.presses)});
    table.add({section, "mean signed distance (the offset to calibrate)" + at, timing.meanMs, "ms", "", 0.0, "",
               "info"});
    table.add({section, "drift of the presses" + at, timing.driftMsPerMinute, "ms/min", "", 0.0,
               "within +-1.2 ms/min", verdict(std::fabs(timing.driftMsPerMinute) <= driftLimitMsPerMinute)});
    table.add({section, "99th percentile around the line" + at, timing.spreadP99Ms, "ms", "", 0.0, "<= 4 ms",
               verdict(timing.spreadP99Ms <= spreadLimitMs)});
    table.add({section, "drift of the song clock at the keys taken" + at, timing.clockDriftMsPerMinute, "ms/min", "",
               0.0, "within +-1.2 ms/min", verdict(std::fabs(timing.clockDriftMsPerMinute) <= driftLimitMsPerMinute)});
    table.add({section, "99th percentile of the clock around its line" + at, timing.clockSpreadP99Ms, "ms", "", 0.0,
               "<= 4 ms", verdict(timing.clockSpreadP99Ms <= spreadLimitMs)});
    table.add({section, "farthest press from the mean" + at, timing.largestFromMeanMs, "ms", "", 0.0,
               "Godlike (<= 23.4 ms)", verdict(timing.largestFromMeanMs <= godlikeMs)});
}

} // namespace

BenchTable TimingWallBench::run() const
{
    BenchTable table;
    const testsupport::PrivateDisplay display(1280, 1024);
    const testsupport::SoundServer server;
    if (!display.started() || !server.ready()) {
        table.add({section, "no X server or no PulseAudio (needs pulseaudio)", 0.0, "", "", 0.0, "a run", "missed"});
        return table;
    }
    const testsupport::WallClockRun wallClockRun(std::filesystem::current_path());
    for (const Condition& condition : conditions) {
        for (int run = 1; run <= runsInARow; ++run) {
            std::fprintf(stderr, "flarevox-bench: timing-wall, %s, run %d...\n", condition.name, run);
            const testsupport::WallClockRun::Outcome outcome = wallClockRun.play(condition.maxFps, &server);
            const std::string at = std::string(", ") + condition.name + ", run " + std::to_string(run);
            if (!outcome.timing)
                table.add({section, "no timing" + at + ": " + outcome.failure.substr(0, 60), 0.0, "", "", 0.0,
                           "a whole song", "missed"});
            else
                addRows(table, at, *outcome.timing);
        }
    }
    return table;
}
