#pragma once

#include "platform/AudioRing.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

class AudioDecoder;

// A sound played straight from its file: decoded ahead into a ring while it
// plays, never whole. One stream plays on at most one channel at a time.
//
// Three sides touch it. The decode side (the engine's decode thread, or the
// silent output's pump) fills the ring under `decodeMutex`, which the audio
// callback never takes. The mix side (the audio callback) drains the ring and
// updates the play state; the game thread reads and resets that state only
// under the engine's device lock, which the callback holds while it mixes.
class AudioStream {
public:
    // What the mixer and the clock know about the current play.
    struct PlayState {
        bool started = false;            // played at least once
        bool ended = false;              // every decoded frame has been mixed
        int channel = -1;                // mixer channel while playing, else -1
        std::uint64_t framesBefore = 0;  // frames mixed before the last device buffer
        std::uint64_t framesAfter = 0;   // frames mixed including the last device buffer
        std::int64_t bufferStartNs = 0;  // when the last device buffer was handed over
    };

    struct MixResult {
        bool starved = false;  // the ring ran dry before the end of the file
        bool ended = false;
    };

    explicit AudioStream(std::unique_ptr<AudioDecoder> decoder);
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    std::uint32_t lengthMs() const { return length; }

    // Decode side.
    void decodeAhead(std::size_t aheadFrames);
    // Back to the start with a first chunk decoded; only while the stream is
    // on no channel.
    void rewind(std::size_t prefillFrames);
    bool wantsDecoding() const { return decodeWanted.load(std::memory_order_acquire); }
    void setWantsDecoding(bool wanted) { decodeWanted.store(wanted, std::memory_order_release); }

    // Mix side: adds the next frames onto `out` and advances the play state.
    MixResult mix(float* out, std::size_t frames, float gain, std::int64_t nowNs);

    // Under the device lock (or on the only thread of the silent output).
    PlayState& playState() { return state; }
    const PlayState& playState() const { return state; }

    // Game side: the last clock reading, so the clock never runs backwards.
    std::uint32_t lastReportedMs = 0;

private:
    void decodeUntil(std::size_t aheadFrames);

    std::unique_ptr<AudioDecoder> decoder;
    const std::uint32_t length;
    AudioRing ring;
    std::mutex decodeMutex;
    std::vector<float> scratch;
    std::atomic<bool> decodeFinished{false};
    std::atomic<bool> decodeWanted{false};
    PlayState state;
};

} // namespace platform
