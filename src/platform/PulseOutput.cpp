#include "platform/PulseOutput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace platform {
namespace {

constexpr std::size_t frameBytes = sizeof(float) * 2;
// The most rendered at once: the first request asks for the whole latency.
constexpr std::size_t maxRenderFrames = 2048;
constexpr auto connectLimit = std::chrono::seconds(2);
constexpr auto connectPoll = std::chrono::milliseconds(5);
// What the output renders at a time once the server has gone.
constexpr std::size_t timeKeeperFrames = 512;

bool contextReady(pa_context* context, pa_stream*)
{
    return pa_context_get_state(context) == PA_CONTEXT_READY;
}

bool contextFailed(pa_context* context, pa_stream*)
{
    return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context));
}

bool streamReady(pa_context*, pa_stream* stream)
{
    return pa_stream_get_state(stream) == PA_STREAM_READY;
}

bool streamFailed(pa_context*, pa_stream* stream)
{
    return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream));
}

} // namespace

PulseOutput::PulseOutput(int rate, Render render, void* context)
    : rate(rate)
    , render(render)
    , renderContext(context)
{
}

std::unique_ptr<PulseOutput> PulseOutput::open(int rate, int latencyFrames, Render render, void* context)
{
    std::unique_ptr<PulseOutput> output(new PulseOutput(rate, render, context));
    if (!output->connect(latencyFrames))
        return nullptr;
    return output;
}

PulseOutput::~PulseOutput()
{
    if (mainloop) {
        // Under the lock, so that no state change starts the time keeper now.
        lock();
        stopping.store(true);
        unlock();
        if (timeKeeper.joinable())
            timeKeeper.join();
        pa_threaded_mainloop_stop(mainloop);
    }
    if (stream) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
    if (context) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    if (mainloop)
        pa_threaded_mainloop_free(mainloop);
}

void PulseOutput::lock()
{
    pa_threaded_mainloop_lock(mainloop);
}

void PulseOutput::unlock()
{
    pa_threaded_mainloop_unlock(mainloop);
}

bool PulseOutput::connect(int latencyFrames)
{
    mainloop = pa_threaded_mainloop_new();
    if (!mainloop)
        return false;
    context = pa_context_new(pa_threaded_mainloop_get_api(mainloop), "Flarevox");
    if (!context || pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    if (pa_threaded_mainloop_start(mainloop) < 0)
        return false;
    lock();
    const bool connected = waitFor(contextReady, contextFailed) && connectStream(latencyFrames);
    unlock();
    return connected;
}

bool PulseOutput::connectStream(int latencyFrames)
{
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(rate), 2};
    stream = pa_stream_new(context, "Flarevox", &spec, nullptr);
    if (!stream)
        return false;
    pa_stream_set_write_callback(stream, &PulseOutput::onWrite, this);
    pa_stream_set_latency_update_callback(stream, &PulseOutput::onTimingUpdate, this);
    pa_buffer_attr wanted{};
    wanted.maxlength = static_cast<std::uint32_t>(-1);
    wanted.tlength = static_cast<std::uint32_t>(latencyFrames * frameBytes);
    // No pre-buffering: a stream that runs dry plays on (silence) instead of
    // stopping until it is full again, so the frames written after a late wake
    // keep their place in real time and the song clock does not fall behind.
    wanted.prebuf = 0;
    wanted.minreq = static_cast<std::uint32_t>(-1);
    wanted.fragsize = static_cast<std::uint32_t>(-1);
    // The server's timing tells each buffer when it will be heard. It is read
    // as it comes and run on by the steady clock here: the library's own
    // interpolation stops while the stream runs dry and then takes seconds
    // to catch up with the frames the server played meanwhile.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream, nullptr, &wanted, flags, nullptr, nullptr) < 0)
        return false;
    if (!waitFor(streamReady, streamFailed))
        return false;
    const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream);
    nominalLatencyFrames = granted ? granted->tlength / static_cast<double>(frameBytes) : latencyFrames;
    pa_stream_set_state_callback(stream, &PulseOutput::onStateChange, this);
    return true;
}

// Called with the mainloop locked. The lock is let go between looks, so the
// mainloop thread runs on; a server that never answers is given up on.
bool PulseOutput::waitFor(Condition ready, Condition failed)
{
    const auto giveUp = std::chrono::steady_clock::now() + connectLimit;
    while (!ready(context, stream)) {
        if (failed(context, stream) || std::chrono::steady_clock::now() > giveUp)
            return false;
        unlock();
        std::this_thread::sleep_for(connectPoll);
        lock();
    }
    return true;
}

void PulseOutput::onWrite(pa_stream*, std::size_t bytes, void* self)
{
    static_cast<PulseOutput*>(self)->write(bytes);
}

void PulseOutput::onTimingUpdate(pa_stream*, void* self)
{
    static_cast<PulseOutput*>(self)->takeTiming();
}

// The frame being heard as the server's timing arrives: the frames it has
// taken from the stream, less those still in its sink, and a little more
// for the time the answer took to come.
void PulseOutput::takeTiming()
{
    const pa_timing_info* timing = pa_stream_get_timing_info(stream);
    if (!timing || timing->read_index_corrupt)
        return;
    const double heardUs = static_cast<double>(timing->read_index) / frameBytes * 1e6 / rate
                           + static_cast<double>(timing->transport_usec) - static_cast<double>(timing->sink_usec);
    heardFrames = heardUs * rate / 1e6;
    heardAt = std::chrono::steady_clock::now();
    timingKnown = true;
}

void PulseOutput::onStateChange(pa_stream* stream, void* self)
{
    auto& output = *static_cast<PulseOutput*>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && !output.stopping.load() && !output.timeKeeper.joinable())
        output.timeKeeper = std::thread(&PulseOutput::keepTime, &output);
}

void PulseOutput::keepTime()
{
    std::vector<float> silence(timeKeeperFrames * 2);
    const auto period = std::chrono::nanoseconds(static_cast<std::int64_t>(timeKeeperFrames) * 1'000'000'000 / rate);
    auto next = std::chrono::steady_clock::now();
    while (!stopping.load()) {
        lock();
        render(renderContext, silence.data(), timeKeeperFrames, 0.0);
        unlock();
        // After a suspend the clock jumps on rather than racing to catch up.
        next = std::max(next + period, std::chrono::steady_clock::now() - std::chrono::seconds(1));
        std::this_thread::sleep_until(next);
    }
}

void PulseOutput::write(std::size_t bytes)
{
    while (bytes >= frameBytes) {
        void* data = nullptr;
        std::size_t length = std::min(bytes, maxRenderFrames * frameBytes);
        if (pa_stream_begin_write(stream, &data, &length) < 0 || !data)
            return;
        const std::size_t frames = std::min(length, bytes) / frameBytes;
        if (frames == 0) {
            pa_stream_cancel_write(stream);
            return;
        }
        render(renderContext, static_cast<float*>(data), frames, framesBeforeNextWrite());
        if (pa_stream_write(stream, data, frames * frameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        framesWritten += frames;
        bytes -= frames * frameBytes;
    }
    // A fresh reading for the next buffer.
    if (pa_operation* asked = pa_stream_update_timing_info(stream, nullptr, nullptr))
        pa_operation_unref(asked);
}

// Everything written after the frame being heard now is still to be heard.
// The stream plays on in real time whether or not it runs dry, so the last
// reading runs on at the mixing rate.
double PulseOutput::framesBeforeNextWrite() const
{
    if (!timingKnown)
        return nominalLatencyFrames;
    const double sinceSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - heardAt).count();
    return static_cast<double>(framesWritten) - (heardFrames + sinceSeconds * rate);
}

} // namespace platform
