#include "platform/AudioEngine.h"

#include "platform/AudioDecoder.h"
#include "platform/AudioSample.h"
#include "platform/AudioStream.h"
#include "platform/Mixer.h"
#include "platform/PulseOutput.h"
#include "platform/SystemClock.h"
#include "platform/TimeStretcher.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>

namespace platform {
namespace {

constexpr float engineVersion = 3.71f;
constexpr int minRate = 8000;
constexpr int maxRate = 192000;
constexpr int maxChannels = 256;
// About 11.6 ms at 44100 Hz: short enough for a fine clock, long enough not
// to starve a busy machine's audio thread.
constexpr Uint16 requestedBufferFrames = 512;
// A sound server sizes its own buffering after the client's: with 512 frames
// PulseAudio plays from 2.9 ms blocks, and a late wake of the game's audio
// thread leaves a gap in the music, which comes that much later from then on.
constexpr Uint16 soundServerBufferFrames = 1024;
// The latency asked of a PulseAudio server: room for a late wake of its
// mainloop thread without a gap in the music.
constexpr int pulseLatencyMs = 35;
constexpr int silentChunkFrames = 1024;
constexpr std::int64_t nsPerSecond = 1'000'000'000;
// Interpolation never reaches past one buffer; longer gaps need no precision.
constexpr std::int64_t maxInterpolationNs = nsPerSecond;
// A device that has taken no command for this long has stopped calling back.
constexpr std::int64_t stalledDeviceNs = nsPerSecond / 2;

std::string_view driverName()
{
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver ? driver : "";
}

// PipeWire desktops serve PulseAudio's protocol as well.
bool speaksPulse(std::string_view driver)
{
    return driver == "pulseaudio" || driver == "pipewire";
}

bool isSoundServer(std::string_view driver)
{
    return speaksPulse(driver) || driver == "jack";
}

// Whether SDL would try a sound server first: the first driver SDL_AUDIODRIVER
// names, or any when it names none (SDL tries PulseAudio before ALSA).
bool wantsSoundServer()
{
    const char* named = std::getenv("SDL_AUDIODRIVER");
    if (!named || !*named)
        return true;
    const std::string_view drivers = named;
    return speaksPulse(drivers.substr(0, drivers.find(',')));
}

std::int64_t steadyNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// SDL's device plays a buffer once the one queued before it has been heard.
void SDLCALL deviceCallback(void* userdata, Uint8* stream, int length)
{
    auto* engine = static_cast<AudioEngine*>(userdata);
    const auto frames = static_cast<std::size_t>(length) / (sizeof(float) * AudioDecoder::outputChannels);
    engine->render(reinterpret_cast<float*>(stream), frames, engine->bufferFrames());
}

void pulseCallback(void* context, float* out, std::size_t frames, double framesBefore)
{
    static_cast<AudioEngine*>(context)->render(out, frames, framesBefore);
}

} // namespace

// The output's lock, which its thread holds while it renders. Only taken when
// the output has stopped asking for sound and the command queue is full.
class AudioEngine::DeviceLock {
public:
    explicit DeviceLock(const AudioEngine& engine)
        : device(engine.silent ? 0 : engine.device)
        , pulse(engine.pulse.get())
    {
        if (pulse)
            pulse->lock();
        else if (device)
            SDL_LockAudioDevice(device);
    }
    ~DeviceLock()
    {
        if (pulse)
            pulse->unlock();
        else if (device)
            SDL_UnlockAudioDevice(device);
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    const SDL_AudioDeviceID device;
    PulseOutput* const pulse;
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
    claims.assign(static_cast<std::size_t>(mixer->channelCount()), ChannelClaim{});
    started = true;
    if (usable && requestedOutput == Output::Device && openDevice())
        return true;
    startSilent();
    return usable && requestedOutput == Output::NoSound;
}

// A sound server is played to directly, without SDL's audio: SDL's own
// connection to it would only sit beside ours.
bool AudioEngine::openDevice()
{
    if (wantsSoundServer() && openPulse())
        return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec wanted{};
    wanted.freq = mixRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = AudioDecoder::outputChannels;
    wanted.samples = isSoundServer(driverName()) ? soundServerBufferFrames : requestedBufferFrames;
    wanted.callback = deviceCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    deviceBufferFrames = obtained.samples;
    latestFramesBefore.store(deviceBufferFrames);
    startDecoding();
    SDL_PauseAudioDevice(device, 0);
    return true;
}

// The server is asked for its timing, which tells every buffer when it is heard.
bool AudioEngine::openPulse()
{
    const int latencyFrames = mixRate * pulseLatencyMs / 1000;
    // Set before the output exists: it renders from its first request on.
    deviceBufferFrames = latencyFrames;
    latestFramesBefore.store(latencyFrames);
    pulse = PulseOutput::open(mixRate, latencyFrames, pulseCallback, this);
    if (!pulse)
        return false;
    startDecoding();
    return true;
}

void AudioEngine::startDecoding()
{
    silent = false;
    decodeStopping = false;
    decoder = std::thread(&AudioEngine::decodeLoop, this);
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
    pulse.reset();
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
    // No callback runs any more: what it was handed or still held can go.
    AudioCommand dropped;
    while (commands.pop(dropped)) {
    }
    retired.clear();
    for (const auto& stream : streams) {
        stream->setWantsDecoding(false);
        stream->playState().channel = -1;
        stream->issued.channel = -1;
    }
    claims.clear();
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

void AudioEngine::render(float* out, std::size_t frames, double framesBefore)
{
    rendersBegun.fetch_add(1, std::memory_order_acq_rel);
    const std::int64_t startNs = steadyNs();
    latestFramesBefore.store(framesBefore, std::memory_order_relaxed);
    const auto heardFromNs = startNs + static_cast<std::int64_t>(std::llround(framesBefore * nsPerSecond / mixRate));
    applyCommands();
    const float gain = static_cast<float>(volume.load(std::memory_order_relaxed)) / 255.0f;
    if (mixer->mix(out, frames, gain, heardFromNs))
        underruns.fetch_add(1, std::memory_order_relaxed);
    handed.fetch_add(frames, std::memory_order_relaxed);
    const auto tookNs = static_cast<std::uint64_t>(steadyNs() - startNs);
    renderCount.fetch_add(1, std::memory_order_release);
    renderTotalNs.fetch_add(tookNs, std::memory_order_relaxed);
    // Only the render thread writes the longest time, so load and store suffice.
    if (tookNs > renderLongestNs.load(std::memory_order_relaxed))
        renderLongestNs.store(tookNs, std::memory_order_relaxed);
}

AudioEngine::RenderTiming AudioEngine::renderTiming() const
{
    return RenderTiming{renderCount.load(), renderTotalNs.load(), renderLongestNs.load()};
}

void AudioEngine::applyCommands()
{
    AudioCommand command;
    while (commands.pop(command))
        apply(command);
}

void AudioEngine::apply(const AudioCommand& command)
{
    switch (command.kind) {
    case AudioCommand::Kind::PlayStream:
        mixer->playStream(command.channel, command.stream, command.playId, command.issuedNs);
        break;
    case AudioCommand::Kind::PlaySample:
        mixer->playSample(command.channel, command.sample, command.playId);
        break;
    case AudioCommand::Kind::Stop:
        mixer->stop(command.channel);
        break;
    case AudioCommand::Kind::StopSample:
        mixer->stopSample(command.sample);
        break;
    }
}

// The silent output mixes on this thread: its commands apply at once. A device
// takes them at its next buffer; should it stop calling back with the queue
// full, the game thread applies them itself under the device's lock.
void AudioEngine::send(const AudioCommand& command)
{
    if (silent) {
        apply(command);
        return;
    }
    const std::int64_t giveUpNs = steadyNs() + stalledDeviceNs;
    while (!commands.push(command)) {
        if (steadyNs() > giveUpNs) {
            const DeviceLock lock(*this);
            applyCommands();
            apply(command);
            return;
        }
        std::this_thread::yield();
    }
}

std::uint32_t AudioEngine::nextPlayId()
{
    // 0 stands for no play; the ids wrap after four billion plays.
    if (++lastPlayId == 0)
        ++lastPlayId;
    return lastPlayId;
}

bool AudioEngine::channelBusy(int channel) const
{
    const ChannelClaim& claim = claims[static_cast<std::size_t>(channel)];
    return claim.held && mixer->lastEndedPlay(channel) != claim.playId;
}

int AudioEngine::channelOf(const AudioStream& stream) const
{
    const int channel = stream.issued.channel;
    if (channel < 0 || channel >= static_cast<int>(claims.size()))
        return -1;
    const ChannelClaim& claim = claims[static_cast<std::size_t>(channel)];
    const bool ours = claim.stream == &stream && claim.playId == stream.issued.playId;
    return ours && channelBusy(channel) ? channel : -1;
}

int AudioEngine::claimFreeChannel() const
{
    for (std::size_t i = 0; i < claims.size(); ++i)
        if (!channelBusy(static_cast<int>(i)))
            return static_cast<int>(i);
    return -1;
}

void AudioEngine::retire(Retired item)
{
    if (silent || (!device && !pulse))
        return;
    item.freeAfterRender = rendersBegun.load(std::memory_order_acquire) + 1;
    retired.push_back(std::move(item));
}

void AudioEngine::releaseRetired()
{
    const std::uint64_t rendered = renderCount.load(std::memory_order_acquire);
    std::erase_if(retired, [rendered](const Retired& item) { return rendered >= item.freeAfterRender; });
}

void AudioEngine::pump()
{
    releaseRetired();
    if (!started || !silent)
        return;
    const std::uint32_t now = SystemClock::tickCount();
    const std::uint32_t delta = now - lastPumpTick;
    lastPumpTick = now;
    // A tick source set back in time reads as a huge step forward: ignore it.
    if (delta > INT32_MAX)
        return;
    silentMs += delta * silentRate;
    const auto target = static_cast<std::uint64_t>(silentMs * mixRate / 1000.0);
    while (handed.load() < target) {
        if (mixer->allIdle()) {
            handed.store(target);
            break;
        }
        const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(target - handed.load(), silentChunkFrames));
        for (const auto& stream : streams)
            if (stream->wantsDecoding())
                stream->decodeAhead(chunk);
        render(silentBuffer.data(), chunk, 0.0);
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

void AudioEngine::stopStream(AudioStream* stream)
{
    if (!stream)
        return;
    stream->setWantsDecoding(false);
    if (!mixer)
        return;
    stream->closeGate();
    const int channel = channelOf(*stream);
    if (channel >= 0) {
        claims[static_cast<std::size_t>(channel)] = ChannelClaim{};
        send(AudioCommand{AudioCommand::Kind::Stop, channel});
    }
}

void AudioEngine::rewindStream(AudioStream* stream)
{
    if (!stream)
        return;
    stopStream(stream);
    stream->issued = AudioStream::Issued{};
    stream->lastReportedMs = 0.0;
    stream->clockFilter.reset();
}

void AudioEngine::closeStream(AudioStream* stream)
{
    if (!stream)
        return;
    stopStream(stream);
    Retired item;
    {
        const std::lock_guard lock(streamsMutex);
        const auto owned = std::find_if(streams.begin(), streams.end(),
            [stream](const auto& candidate) { return candidate.get() == stream; });
        if (owned == streams.end())
            return;
        item.stream = std::move(*owned);
        streams.erase(owned);
    }
    retire(std::move(item));
}

int AudioEngine::playStream(AudioStream* stream, double fromSeconds, double tempo)
{
    if (!started || !stream)
        return -1;
    pump();
    // A playing stream restarts on its channel; an ended one takes a free one.
    const int playing = channelOf(*stream);
    const int channel = playing >= 0 ? playing : claimFreeChannel();
    if (channel < 0)
        return -1;
    // Shut the callback out of the ring before it is emptied and refilled.
    stream->closeGate();
    stream->setWantsDecoding(false);
    const double playTempo =
        std::isfinite(tempo) ? std::clamp(tempo, TimeStretcher::slowest, TimeStretcher::fastest) : 1.0;
    stream->rewind(static_cast<std::size_t>(silentChunkFrames) * 8, fromSeconds, playTempo);
    const std::uint32_t playId = nextPlayId();
    stream->issued = AudioStream::Issued{playId, channel, steadyNs(), playTempo};
    stream->lastReportedMs = 0;
    stream->clockFilter.reset();
    claims[static_cast<std::size_t>(channel)] = ChannelClaim{playId, true, stream, nullptr};
    stream->openGate(playId);
    send(AudioCommand{AudioCommand::Kind::PlayStream, channel, playId, stream, nullptr, stream->issued.startNs});
    stream->setWantsDecoding(true);
    decodeWake.notify_one();
    return channel;
}

std::uint32_t AudioEngine::framesToMs(std::uint64_t frames) const
{
    const std::uint64_t ms = (frames * 1000 + static_cast<std::uint64_t>(mixRate) / 2) / static_cast<std::uint64_t>(mixRate);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(ms, UINT32_MAX));
}

AudioStream::PlayState AudioEngine::currentPlay(const AudioStream& stream)
{
    AudioStream::PlayState state = stream.published();
    if (state.playId == stream.issued.playId)
        return state;
    // The callback has not taken the play yet: it is at its very start.
    AudioStream::PlayState fresh;
    fresh.playId = stream.issued.playId;
    fresh.heardFromNs = stream.issued.startNs;
    return fresh;
}

std::uint32_t AudioEngine::streamTimeMs(AudioStream* stream)
{
    return static_cast<std::uint32_t>(std::lround(streamPositionMs(stream)));
}

// Each buffer is published with the moment its first frame is heard; the
// position runs on from there at the mixing rate.
double AudioEngine::streamPositionMs(AudioStream* stream)
{
    if (!stream)
        return 0.0;
    pump();
    if (stream->issued.playId == 0)
        return 0.0;
    const AudioStream::PlayState state = currentPlay(*stream);
    double frames = static_cast<double>(state.framesAfter);
    const std::int64_t now = steadyNs();
    if (!silent) {
        const std::int64_t sinceHeard =
            std::clamp<std::int64_t>(now - state.heardFromNs, -maxInterpolationNs, maxInterpolationNs);
        const double heard =
            static_cast<double>(state.framesBefore) + static_cast<double>(sinceHeard) * mixRate / nsPerSecond;
        frames = std::clamp(heard, 0.0, static_cast<double>(state.framesAfter));
    }
    const double length = stream->lengthMs();
    const double tempo = stream->issued.tempo;
    const bool over = state.ended && frames >= static_cast<double>(state.framesAfter);
    double ms = over ? length : std::min(length, frames * 1000.0 / mixRate * tempo);
    // The silent output is exact; a device's steps are smoothed once it plays,
    // in the device's own time.
    if (!silent && !over && ms > 0.0)
        ms = std::min(length, stream->clockFilter.follow(ms / tempo, now) * tempo);
    stream->lastReportedMs = std::max(stream->lastReportedMs, ms);
    return stream->lastReportedMs;
}

double AudioEngine::outputLatencyMs() const
{
    return silent ? 0.0 : latestFramesBefore.load(std::memory_order_relaxed) * 1000.0 / mixRate;
}

std::uint32_t AudioEngine::streamLengthMs(const AudioStream* stream) const
{
    return stream ? stream->lengthMs() : 0;
}

double AudioEngine::streamTempo(const AudioStream* stream) const
{
    return stream ? stream->issued.tempo : 1.0;
}

std::uint64_t AudioEngine::streamFramesMixed(AudioStream* stream)
{
    if (!stream || stream->issued.playId == 0)
        return 0;
    return currentPlay(*stream).framesAfter;
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
    const int channel = claimFreeChannel();
    if (channel < 0)
        return -1;
    const std::uint32_t playId = nextPlayId();
    claims[static_cast<std::size_t>(channel)] = ChannelClaim{playId, true, nullptr, sample};
    send(AudioCommand{AudioCommand::Kind::PlaySample, channel, playId, nullptr, sample});
    return channel;
}

void AudioEngine::freeSample(AudioSample* sample)
{
    if (!sample)
        return;
    if (mixer) {
        for (ChannelClaim& claim : claims)
            if (claim.sample == sample)
                claim = ChannelClaim{};
        send(AudioCommand{AudioCommand::Kind::StopSample, -1, 0, nullptr, sample});
    }
    const auto owned = std::find_if(samples.begin(), samples.end(),
        [sample](const auto& candidate) { return candidate.get() == sample; });
    if (owned == samples.end())
        return;
    Retired item;
    item.sample = std::move(*owned);
    samples.erase(owned);
    retire(std::move(item));
}

void AudioEngine::setMasterVolume(int value)
{
    volume.store(std::clamp(value, 0, 255));
}

} // namespace platform
