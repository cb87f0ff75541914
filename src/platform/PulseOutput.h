#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

namespace platform {

// Interleaved stereo float output straight to a PulseAudio server (or
// PipeWire's PulseAudio service). SDL's PulseAudio driver cannot say how much
// sound the server still holds, so a clock built on it reads each buffer's
// hand-over some milliseconds off, by a different amount from one stretch of
// the song to the next. This output asks the server's timing instead: each
// buffer is rendered with the exact number of frames that play before its
// first frame is heard.
//
// Threads. The render function runs on PulseAudio's mainloop thread, under
// the mainloop's lock; `lock` takes the same lock from another thread. Should
// the server go away, a thread of the output's own renders on at the mixing
// rate, under the same lock, into silence: the game's sounds end and its song
// clock runs on in real time instead of stopping for good.
class PulseOutput {
public:
    // Fills `out` with `frames` frames; the first of them is heard once
    // `framesBefore` more frames have played (negative when the server has
    // already moved past them: they are dropped, and the music skips ahead).
    using Render = void (*)(void* context, float* out, std::size_t frames, double framesBefore);

    // Null when no server answers or it refuses the stream; never waits for a
    // server more than about two seconds. `latencyFrames` is the total
    // latency asked for: the server may grant less.
    static std::unique_ptr<PulseOutput> open(int rate, int latencyFrames, Render render, void* context);
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    void lock();
    void unlock();

private:
    using Condition = bool (*)(pa_context* context, pa_stream* stream);

    PulseOutput(int rate, Render render, void* context);
    bool connect(int latencyFrames);
    bool connectStream(int latencyFrames);
    bool waitFor(Condition ready, Condition failed);
    static void onWrite(pa_stream* stream, std::size_t bytes, void* self);
    static void onStateChange(pa_stream* stream, void* self);
    static void onTimingUpdate(pa_stream* stream, void* self);
    void takeTiming();
    void write(std::size_t bytes);
    double framesBeforeNextWrite() const;
    void keepTime();

    const int rate;
    const Render render;
    void* const renderContext;
    pa_threaded_mainloop* mainloop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    std::uint64_t framesWritten = 0;
    double nominalLatencyFrames = 0.0;
    // The server's last timing: the frame heard when it came.
    bool timingKnown = false;
    double heardFrames = 0.0;
    std::chrono::steady_clock::time_point heardAt;
    std::thread timeKeeper;
    std::atomic<bool> stopping{false};
};

} // namespace platform
