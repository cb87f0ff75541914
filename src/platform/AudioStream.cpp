#include "platform/AudioStream.h"

#include "platform/AudioDecoder.h"
#include "platform/TimeStretcher.h"

#include <algorithm>
#include <thread>

namespace platform {
namespace {

// Two seconds at 44100 Hz: the decode side keeps about half of it filled.
constexpr std::size_t ringFrames = 88200;
constexpr std::size_t decodeChunkFrames = 4096;

} // namespace

AudioStream::AudioStream(std::unique_ptr<AudioDecoder> source)
    : decoder(std::move(source))
    , length(decoder->lengthMs())
    , ring(ringFrames)
    , scratch(decodeChunkFrames * AudioDecoder::outputChannels)
{
}

AudioStream::~AudioStream() = default;

void AudioStream::decodeAhead(std::size_t aheadFrames)
{
    const std::lock_guard lock(decodeMutex);
    decodeUntil(aheadFrames);
}

void AudioStream::rewind(std::size_t prefillFrames, double fromSeconds, double tempo)
{
    const std::lock_guard lock(decodeMutex);
    ring.reset();
    decodeFinished.store(!decoder->rewind(fromSeconds), std::memory_order_release);
    stretching = tempo != 1.0;
    if (stretching) {
        if (!stretcher)
            stretcher = std::make_unique<TimeStretcher>(decoder->rate());
        stretcher->restart(tempo);
    }
    decodeUntil(prefillFrames);
}

void AudioStream::decodeUntil(std::size_t aheadFrames)
{
    aheadFrames = std::min(aheadFrames, ringFrames);
    while (!decodeFinished.load(std::memory_order_relaxed) && ring.readable() < aheadFrames) {
        const std::size_t want = std::min({decodeChunkFrames, ring.writable(), aheadFrames - ring.readable()});
        const std::size_t got =
            stretching ? stretcher->read(*decoder, scratch.data(), want) : decoder->read(scratch.data(), want);
        ring.write(scratch.data(), got);
        if (got < want)
            decodeFinished.store(true, std::memory_order_release);
    }
}

void AudioStream::openGate(std::uint32_t playId)
{
    gate.store(playId, std::memory_order_seq_cst);
}

void AudioStream::closeGate()
{
    // With the mix side's order reversed (mark, then check the gate), one of
    // the two always sees the other: either the mix side sees the gate shut,
    // or this side sees it mixing and waits until it is done.
    gate.store(0, std::memory_order_seq_cst);
    while (mixing.load(std::memory_order_seq_cst))
        std::this_thread::yield();
}

AudioStream::PlayState AudioStream::published() const
{
    PlayState copy;
    while (true) {
        const std::uint32_t before = shared.sequence.load(std::memory_order_acquire);
        if (before % 2 == 0) {
            copy.playId = shared.playId.load(std::memory_order_relaxed);
            copy.ended = shared.ended.load(std::memory_order_relaxed);
            copy.framesBefore = shared.framesBefore.load(std::memory_order_relaxed);
            copy.framesAfter = shared.framesAfter.load(std::memory_order_relaxed);
            copy.heardFromNs = shared.heardFromNs.load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (shared.sequence.load(std::memory_order_relaxed) == before)
                return copy;
        }
        std::this_thread::yield();
    }
}

void AudioStream::publish()
{
    const std::uint32_t sequence = shared.sequence.load(std::memory_order_relaxed);
    shared.sequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    shared.playId.store(state.playId, std::memory_order_relaxed);
    shared.ended.store(state.ended, std::memory_order_relaxed);
    shared.framesBefore.store(state.framesBefore, std::memory_order_relaxed);
    shared.framesAfter.store(state.framesAfter, std::memory_order_relaxed);
    shared.heardFromNs.store(state.heardFromNs, std::memory_order_relaxed);
    shared.sequence.store(sequence + 2, std::memory_order_release);
}

void AudioStream::beginPlay(std::uint32_t playId, int channel, std::int64_t startNs)
{
    state = PlayState{};
    state.playId = playId;
    state.channel = channel;
    state.heardFromNs = startNs;
    publish();
}

AudioStream::MixResult AudioStream::mix(float* out, std::size_t frames, float gain, std::int64_t heardFromNs)
{
    mixing.store(true, std::memory_order_seq_cst);
    if (gate.load(std::memory_order_seq_cst) != state.playId) {
        // The game has stopped or restarted this stream: the ring is not ours.
        mixing.store(false, std::memory_order_release);
        return MixResult{false, true};
    }
    // Read the end flag before draining: every frame was in the ring before
    // the flag was set, so an empty ring after that means the end.
    const bool finished = decodeFinished.load(std::memory_order_acquire);
    const std::size_t got = ring.mixInto(out, frames, gain);
    const bool drained = ring.readable() == 0;
    mixing.store(false, std::memory_order_release);
    state.framesBefore = state.framesAfter;
    state.framesAfter += got;
    state.heardFromNs = heardFromNs;
    MixResult result;
    if (got < frames) {
        result.ended = finished && drained;
        result.starved = !result.ended;
    }
    state.ended = result.ended;
    publish();
    return result;
}

} // namespace platform
