#include "SongClockBench.h"

#include "AllocationCounter.h"
#include "BusyCore.h"
#include "Stats.h"
#include "core/ObjectRegistry.h"
#include "platform/AudioEngine.h"
#include "sound/Sound.h"
#include "sound/SoundManager.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* songPath = "Data/Music/coconut.mp3";
constexpr auto pollInterval = std::chrono::microseconds(250);
// Readings closer together than this show the clock's resolution.
constexpr double resolutionWindowMs = 0.5;
// A buffer hand-over seen between readings further apart than this cannot be
// placed in time well enough to judge the clock against it.
constexpr double handOverWindowMs = 0.5;
// The clock learns the device's rate over its first second; it is judged after.
constexpr double settleMs = 1000.0;

struct Reading {
    double startMs;        // wall time before the clock was read, since play
    double endMs;          // wall time after the frames were read
    double clockMs;        // the song clock
    std::uint64_t frames;  // frames of the song handed to the device so far
};

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Where the device stands at each reading: the frames handed before the last
// buffer, plus what the device has played of that buffer since it was handed
// over (seen as the moment the handed frames grew), capped at its end. NaN
// where the hand-over fell into a gap between readings too wide to place it.
std::vector<double> consumedMs(const std::vector<Reading>& readings, int rate, int bufferFrames)
{
    std::vector<double> consumed(readings.size(), std::nan(""));
    double bufferStartMs = 0.0;
    bool placed = false;
    std::uint64_t before = 0;
    std::uint64_t after = 0;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const Reading& r = readings[i];
        if (r.frames != after) {
            const double previousEnd = i > 0 ? readings[i - 1].endMs : 0.0;
            placed = i > 0 && r.startMs - previousEnd <= handOverWindowMs;
            bufferStartMs = (previousEnd + r.startMs) / 2.0;
            before = std::max(after, r.frames - std::min<std::uint64_t>(r.frames, static_cast<std::uint64_t>(bufferFrames)));
            after = r.frames;
        }
        if (!placed || r.endMs - r.startMs > handOverWindowMs)
            continue;
        const double midMs = (r.startMs + r.endMs) / 2.0;
        const double frames = std::min(static_cast<double>(after),
            static_cast<double>(before) + (midMs - bufferStartMs) * rate / 1000.0);
        consumed[i] = frames * 1000.0 / rate;
    }
    return consumed;
}

double meanOfRange(const std::vector<double>& values, std::size_t first, std::size_t last)
{
    return stats::mean(std::vector<double>(values.begin() + static_cast<std::ptrdiff_t>(first),
        values.begin() + static_cast<std::ptrdiff_t>(last)));
}

} // namespace

BenchTable SongClockBench::run() const
{
    BenchTable table;
    const std::string group = oneCoreBusy ? "song clock (one core busy)" : "song clock";
    std::optional<BusyCore> busy;
    if (oneCoreBusy && !busy.emplace().running()) {
        table.add({group, "busy process started", 0, "", "", 0, "started", "missed"});
        return table;
    }
    SoundManager* sounds = SoundManager::instance();
    sounds->init(platform::AudioEngine::defaultRate, platform::AudioEngine::defaultChannels, 0);
    platform::AudioEngine& engine = sounds->getEngine();
    sounds->addSound(songPath, "Coconut");
    Sound* song = sounds->find("Coconut", Sound::Stream);
    if (engine.isSilent() || !song || !song->getStream()) {
        table.add({group, "audio device and song opened", 0, "", "", 0, "device and song", "missed"});
        return table;
    }
    const double lengthMs = sounds->getStreamLength("Coconut");
    const double playMs = std::min(seconds * 1000.0, lengthMs);

    std::vector<Reading> readings;
    readings.reserve(static_cast<std::size_t>(playMs / 0.25) + 1024);
    sounds->play("Coconut");
    const std::uint64_t allocationsBefore = AllocationCounter::count();
    const auto start = Clock::now();
    while (true) {
        const double before = millisecondsSince(start);
        // The game's clock, before the player's offset.
        const double clock = sounds->getSongTime("Coconut") + sounds->getGlobalOffset();
        const std::uint64_t frames = engine.streamFramesMixed(song->getStream());
        readings.push_back({before, millisecondsSince(start), clock, frames});
        if (clock >= playMs || before > playMs + 5000.0)
            break;
        std::this_thread::sleep_for(pollInterval);
    }
    const double wallMs = millisecondsSince(start);
    const double allocationsPerReading =
        static_cast<double>(AllocationCounter::count() - allocationsBefore) / static_cast<double>(readings.size());

    std::vector<double> steps;
    std::size_t backwards = 0;
    for (std::size_t i = 1; i < readings.size(); ++i) {
        const double step = readings[i].clockMs - readings[i - 1].clockMs;
        if (step < 0)
            ++backwards;
        if (readings[i].endMs - readings[i - 1].startMs < resolutionWindowMs && step > 0)
            steps.push_back(step);
    }
    // The last readings sit at the song's end, where the clock holds still.
    while (readings.size() > 1 && readings.back().clockMs >= lengthMs)
        readings.pop_back();
    const std::vector<double> consumed = consumedMs(readings, engine.rate(), engine.bufferFrames());
    // The clock gives what is heard: a sample handed to the device is heard
    // once the buffer queued before it has played.
    const double latencyMs = engine.outputLatencyMs();
    std::vector<double> offsets;
    std::vector<double> absoluteOffsets;
    for (std::size_t i = 0; i < readings.size(); ++i) {
        if (std::isnan(consumed[i]) || consumed[i] < latencyMs + settleMs)
            continue;
        offsets.push_back(readings[i].clockMs - (consumed[i] - latencyMs));
        absoluteOffsets.push_back(std::fabs(offsets.back()));
    }
    const std::size_t tenth = std::max<std::size_t>(offsets.size() / 10, 1);
    const double drift = offsets.empty()
        ? 0.0
        : meanOfRange(offsets, offsets.size() - tenth, offsets.size()) - meanOfRange(offsets, 0, tenth);
    const double resolution = stats::percentile(steps, 99.9);
    const double worstOffset = stats::maximum(absoluteOffsets);
    const auto timing = engine.renderTiming();
    const double bufferMs = 1000.0 * engine.bufferFrames() / engine.rate();
    const double meanCallbackMs = timing.count ? static_cast<double>(timing.totalNs) / timing.count / 1e6 : 0.0;
    const double longestCallbackMs = static_cast<double>(timing.longestNs) / 1e6;
    const double lastClock = readings.empty() ? 0.0 : readings.back().clockMs;
    const double lastWall = readings.empty() ? 0.0 : readings.back().endMs;

    table.add({group, "song played", playMs / 1000.0, "s", "wall time", wallMs / 1000.0, "", "info"});
    table.add({group, "readings judged against consumed samples", static_cast<double>(offsets.size()), "",
        "all readings", static_cast<double>(readings.size()), "", "info"});
    table.add({group, "resolution (p99.9 step, readings < 0.5 ms apart)", resolution, "ms", "", 0, "<= 1 ms",
        verdict(resolution <= 1.0)});
    table.add({group, "backward steps", static_cast<double>(backwards), "", "", 0, "0", verdict(backwards == 0)});
    table.add({group, "max |clock - (consumed samples - device buffer)|", worstOffset, "ms", "", 0, "<= 2 ms",
        verdict(worstOffset <= 2.0)});
    table.add({group, "jitter (sd of clock - heard)", stats::standardDeviation(offsets), "ms", "", 0, "",
        "info"});
    table.add({group, "drift, last tenth vs first", drift, "ms", "", 0, "<= 2 ms", verdict(std::fabs(drift) <= 2.0)});
    table.add({group, "clock - wall time at the end", lastClock - lastWall, "ms", "", 0, "", "info"});
    table.add({group, "audio callback, mean", meanCallbackMs, "ms", "buffer period", bufferMs, "", "info"});
    table.add({group, "audio callback, longest", longestCallbackMs, "ms", "buffer period", bufferMs,
        "< buffer period", verdict(longestCallbackMs < bufferMs)});
    table.add({group, "heap allocations per clock reading", allocationsPerReading, "", "", 0, "0",
        verdict(allocationsPerReading == 0.0)});
    table.add({group, "underruns", static_cast<double>(engine.underrunCount()), "", "", 0, "0",
        verdict(engine.underrunCount() == 0)});
    ObjectRegistry::destroy();
    return table;
}
