#include "platform/AudioRing.h"

#include <algorithm>

namespace platform {
namespace {
constexpr std::size_t channels = 2;
}

AudioRing::AudioRing(std::size_t capacityFrames)
    : samples(new float[capacityFrames * channels])
    , capacity(capacityFrames)
{
}

std::size_t AudioRing::writable() const
{
    return capacity - readable();
}

std::size_t AudioRing::readable() const
{
    return written.load(std::memory_order_acquire) - taken.load(std::memory_order_acquire);
}

std::size_t AudioRing::write(const float* frames, std::size_t count)
{
    const std::size_t head = written.load(std::memory_order_relaxed);
    const std::size_t tail = taken.load(std::memory_order_acquire);
    count = std::min(count, capacity - (head - tail));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t slot = (head + i) % capacity * channels;
        samples[slot] = frames[i * channels];
        samples[slot + 1] = frames[i * channels + 1];
    }
    written.store(head + count, std::memory_order_release);
    return count;
}

std::size_t AudioRing::mixInto(float* out, std::size_t count, float gain)
{
    const std::size_t tail = taken.load(std::memory_order_relaxed);
    const std::size_t head = written.load(std::memory_order_acquire);
    count = std::min(count, head - tail);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t slot = (tail + i) % capacity * channels;
        out[i * channels] += samples[slot] * gain;
        out[i * channels + 1] += samples[slot + 1] * gain;
    }
    taken.store(tail + count, std::memory_order_release);
    return count;
}

void AudioRing::reset()
{
    written.store(0, std::memory_order_relaxed);
    taken.store(0, std::memory_order_relaxed);
}

} // namespace platform
