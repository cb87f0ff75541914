#include "platform/AudioStream.h"

#include "platform/AudioDecoder.h"

#include <algorithm>

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

void AudioStream::rewind(std::size_t prefillFrames)
{
    const std::lock_guard lock(decodeMutex);
    ring.reset();
    decodeFinished.store(!decoder->rewind(), std::memory_order_release);
    decodeUntil(prefillFrames);
}

void AudioStream::decodeUntil(std::size_t aheadFrames)
{
    aheadFrames = std::min(aheadFrames, ringFrames);
    while (!decodeFinished.load(std::memory_order_relaxed) && ring.readable() < aheadFrames) {
        const std::size_t want = std::min({decodeChunkFrames, ring.writable(), aheadFrames - ring.readable()});
        const std::size_t got = decoder->read(scratch.data(), want);
        ring.write(scratch.data(), got);
        if (got < want)
            decodeFinished.store(true, std::memory_order_release);
    }
}

AudioStream::MixResult AudioStream::mix(float* out, std::size_t frames, float gain, std::int64_t nowNs)
{
    // Read the end flag before draining: every frame was in the ring before
    // the flag was set, so an empty ring after that means the end.
    const bool finished = decodeFinished.load(std::memory_order_acquire);
    const std::size_t got = ring.mixInto(out, frames, gain);
    state.framesBefore = state.framesAfter;
    state.framesAfter += got;
    state.bufferStartNs = nowNs;
    MixResult result;
    if (got < frames) {
        result.ended = finished && ring.readable() == 0;
        result.starved = !result.ended;
    }
    state.ended = result.ended;
    return result;
}

} // namespace platform
