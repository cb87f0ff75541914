#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace platform {

// A single-producer, single-consumer ring of stereo float frames. The decoder
// writes, the audio callback reads; neither ever waits for the other.
class AudioRing {
public:
    explicit AudioRing(std::size_t capacityFrames);

    // Producer side: copies up to `frames` frames in; returns how many fit.
    std::size_t write(const float* frames, std::size_t count);
    std::size_t writable() const;

    // Consumer side: adds up to `count` frames, scaled by gain, onto `out`.
    std::size_t mixInto(float* out, std::size_t count, float gain);
    std::size_t readable() const;

    // Empties the ring; only while neither side is using it.
    void reset();

private:
    // Left uninitialised: only written frames are ever read, and eight rings
    // of two seconds each would otherwise be cleared at every start.
    std::unique_ptr<float[]> samples;
    const std::size_t capacity;
    // Frames written and read since the last reset; their difference is the fill.
    std::atomic<std::size_t> written{0};
    std::atomic<std::size_t> taken{0};
};

} // namespace platform
