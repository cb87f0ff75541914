#include "platform/AudioEngine.h"

#include "platform/AudioDecoder.h"
#include "platform/AudioSample.h"
#include "platform/AudioStream.h"
#include "platform/Mixer.h"
#include "platform/SystemClock.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>

namespace platform {
namespace {

constexpr float engineVersion = 3.71f;
constexpr int minRate = 8000;
constexpr int maxRate = 192000;
constexpr int maxChannels = 256;
// About 11.6 ms at 44100 Hz: short enough for a fine clock, long enough not
// to starve a busy machine's audio thread.
constexpr Uint16 requestedBufferFrames = 512;
constexpr int silentChunkFrames = 1024;
constexpr std::int64_t nsPerSecond = 1'000'000'000;
// Interpolation never reaches past one buffer; longer gaps need no precision.
constexpr std::int64_t maxInterpolationNs = nsPerSecond;

std::int64_t steadyNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

void SDLCALL deviceCallback(void* userdata, Uint8* stream, int length)
{
    auto* engine = static_cast<AudioEngine*>(userdata);
    const auto frames = static_cast<std::size_t>(length) / (sizeof(float) * AudioDecoder::outputChannels);
    engine->render(reinterpret_cast<float*>(stream), frames);
}

} // namespace

// SDL's device lock, which its audio thread holds while the callback runs.
// The silent output mixes on the game thread and needs no lock.
class AudioEngine::DeviceLock {
public:
    explicit DeviceLock(const AudioEngine& engine)
        : device(engine.silent ? 0 : engine.device)
    {
        if (device)
            SDL_LockAudioDevice(device);
    }
    ~DeviceLock()
    {
        if (device)
            SDL_UnlockAudioDevice(device);
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    const SDL_AudioDeviceID device;
};

AudioEngine::AudioEngine() = default;

AudioEngine::~AudioEngine()
{
    close();
}

float AudioEngine::version()
{
    return engineVersion;
}

bool AudioEngine::start(int rate, int channelCount)
{
    close();
    const bool usable = rate >= minRate && rate <= maxRate && channelCount >= 1 && channelCount <= maxChannels;
    mixRate = usable ? rate : defaultRate;
    mixer = std::make_unique<Mixer>(usable ? channelCount : defaultChannels);
    started = true;
    if (usable && requestedOutput == Output::Device && openDevice())
        return true;
    startSilent();
    return usable && requestedOutput == Output::NoSound;
}

bool AudioEngine::openDevice()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec wanted{};
    wanted.freq = mixRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = AudioDecoder::outputChannels;
    wanted.samples = requestedBufferFrames;
    wanted.callback = deviceCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    silent = false;
    deviceBufferFrames = obtained.samples;
    decodeStopping = false;
    decoder = std::thread(&AudioEngine::decodeLoop, this);
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void AudioEngine::startSilent()
{
    silent = true;
    deviceBufferFrames = silentChunkFrames;
    silentBuffer.assign(static_cast<std::size_t>(silentChunkFrames) * AudioDecoder::outputChannels, 0.0f);
    lastPumpTick = SystemClock::tickCount();
    silentMs = 0;
}

void AudioEngine::close()
{
    if (!started)
        return;
    if (device) {
        SDL_CloseAudioDevice(device);
        device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (decoder.joinable()) {
        {
            const std::lock_guard lock(streamsMutex);
            decodeStopping = true;
        }
        decodeWake.notify_all();
        decoder.join();
    }
    for (const auto& stream : streams) {
        stream->setWantsDecoding(false);
        stream->playState().channel = -1;
    }
    mixer.reset();
    started = false;
    silent = false;
}

void AudioEngine::decodeLoop()
{
    std::unique_lock lock(streamsMutex);
    while (!decodeStopping) {
        for (const auto& stream : streams)
            if (stream->wantsDecoding())
                stream->decodeAhead(static_cast<std::size_t>(mixRate));
        decodeWake.wait_for(lock, std::chrono::milliseconds(5));
    }
}

void AudioEngine::render(float* out, std::size_t frames)
{
    const std::int64_t startNs = steadyNs();
    const float gain = static_cast<float>(volume.load(std::memory_order_relaxed)) / 255.0f;
    if (mixer->mix(out, frames, gain, startNs))
        underruns.fetch_add(1, std::memory_order_relaxed);
    handed.fetch_add(frames, std::memory_order_relaxed);
    const auto tookNs = static_cast<std::uint64_t>(steadyNs() - startNs);
    renderCount.fetch_add(1, std::memory_order_relaxed);
    renderTotalNs.fetch_add(tookNs, std::memory_order_relaxed);
    // Only the render thread writes the longest time, so load and store suffice.
    if (tookNs > renderLongestNs.load(std::memory_order_relaxed))
        renderLongestNs.store(tookNs, std::memory_order_relaxed);
}

AudioEngine::RenderTiming AudioEngine::renderTiming() const
{
    return RenderTiming{renderCount.load(), renderTotalNs.load(), renderLongestNs.load()};
}

void AudioEngine::pump()
{
    if (!started || !silent)
        return;
    const std::uint32_t now = SystemClock::tickCount();
    const std::uint32_t delta = now - lastPumpTick;
    lastPumpTick = now;
    // A tick source set back in time reads as a huge step forward: ignore it.
    if (delta > INT32_MAX)
        return;
    silentMs += delta;
    const std::uint64_t target = silentMs * static_cast<std::uint64_t>(mixRate) / 1000;
    while (handed.load() < target) {
        if (mixer->allIdle()) {
            handed.store(target);
            break;
        }
        const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(target - handed.load(), silentChunkFrames));
        for (const auto& stream : streams)
            if (stream->wantsDecoding())
                stream->decodeAhead(chunk);
        render(silentBuffer.data(), chunk);
    }
}

AudioStream* AudioEngine::openStream(const std::string& gamePath)
{
    auto source = AudioDecoder::open(gamePath, mixRate);
    if (!source)
        return nullptr;
    auto stream = std::make_unique<AudioStream>(std::move(source));
    AudioStream* handle = stream.get();
    const std::lock_guard lock(streamsMutex);
    streams.push_back(std::move(stream));
    return handle;
}

void AudioEngine::closeStream(AudioStream* stream)
{
    if (!stream)
        return;
    if (mixer) {
        const DeviceLock lock(*this);
        mixer->stop(stream->playState().channel);
    }
    stream->setWantsDecoding(false);
    const std::lock_guard lock(streamsMutex);
    std::erase_if(streams, [stream](const auto& owned) { return owned.get() == stream; });
}

int AudioEngine::playStream(AudioStream* stream)
{
    if (!started || !stream)
        return -1;
    pump();
    int channel = -1;
    {
        // Off its channel first, so that the callback no longer reads the ring.
        const DeviceLock lock(*this);
        channel = stream->playState().channel;
        mixer->stop(channel);
    }
    stream->setWantsDecoding(false);
    stream->rewind(static_cast<std::size_t>(silentChunkFrames) * 8);
    {
        const DeviceLock lock(*this);
        if (channel < 0)
            channel = mixer->freeChannel();
        if (channel < 0)
            return -1;
        stream->playState() = AudioStream::PlayState{};
        stream->playState().started = true;
        stream->playState().bufferStartNs = steadyNs();
        mixer->playStream(channel, stream);
    }
    stream->lastReportedMs = 0;
    stream->setWantsDecoding(true);
    decodeWake.notify_one();
    return channel;
}

std::uint32_t AudioEngine::framesToMs(std::uint64_t frames) const
{
    const std::uint64_t ms = (frames * 1000 + static_cast<std::uint64_t>(mixRate) / 2) / static_cast<std::uint64_t>(mixRate);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, UINT32_MAX));
}

std::uint32_t AudioEngine::streamTimeMs(AudioStream* stream)
{
    if (!stream)
        return 0;
    pump();
    AudioStream::PlayState state;
    {
        const DeviceLock lock(*this);
        state = stream->playState();
    }
    if (!state.started)
        return 0;
    std::uint64_t frames = state.framesAfter;
    if (!silent) {
        // The last buffer handed over is heard from when it was handed over.
        const std::int64_t elapsed = std::clamp<std::int64_t>(steadyNs() - state.bufferStartNs, 0, maxInterpolationNs);
        const auto heard = static_cast<std::uint64_t>(elapsed * mixRate / nsPerSecond);
        frames = std::min(state.framesAfter, state.framesBefore + heard);
    }
    const std::uint32_t length = stream->lengthMs();
    const bool over = state.ended && frames >= state.framesAfter;
    const std::uint32_t ms = over ? length : std::min(length, framesToMs(frames));
    stream->lastReportedMs = std::max(stream->lastReportedMs, ms);
    return stream->lastReportedMs;
}

std::uint32_t AudioEngine::streamLengthMs(const AudioStream* stream) const
{
    return stream ? stream->lengthMs() : 0;
}

std::uint64_t AudioEngine::streamFramesMixed(AudioStream* stream)
{
    if (!stream)
        return 0;
    const DeviceLock lock(*this);
    return stream->playState().framesAfter;
}

AudioSample* AudioEngine::loadSample(const std::string& gamePath)
{
    auto source = AudioDecoder::open(gamePath, mixRate);
    if (!source)
        return nullptr;
    std::vector<float> frames;
    std::vector<float> chunk(static_cast<std::size_t>(silentChunkFrames) * AudioDecoder::outputChannels);
    while (const std::size_t got = source->read(chunk.data(), silentChunkFrames))
        frames.insert(frames.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got * 2));
    samples.push_back(std::make_unique<AudioSample>(std::move(frames)));
    return samples.back().get();
}

int AudioEngine::playSample(AudioSample* sample)
{
    if (!started || !sample)
        return -1;
    pump();
    const DeviceLock lock(*this);
    return mixer->playSample(sample);
}

void AudioEngine::freeSample(AudioSample* sample)
{
    if (!sample)
        return;
    if (mixer) {
        const DeviceLock lock(*this);
        mixer->stopSample(sample);
    }
    std::erase_if(samples, [sample](const auto& owned) { return owned.get() == sample; });
}

void AudioEngine::setMasterVolume(int value)
{
    volume.store(std::clamp(value, 0, 255));
}

} // namespace platform
