#pragma once

#include "platform/AudioRing.h"
#include "platform/ClockFilter.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

class AudioDecoder;
class TimeStretcher;

// A sound played straight from its file: decoded ahead into a ring while it
// plays, never whole. One stream plays on at most one channel at a time.
//
// Three sides touch it, and none waits for the mix side. The decode side (the
// engine's decode thread, or the silent output's pump) fills the ring under
// `decodeMutex`, which the audio callback never takes. The mix side (the audio
// callback) drains the ring, keeps the play state and publishes a copy of it
// after every buffer. The game side reads that copy without a lock and gates
// the ring: the mix side reads it only for the play the gate admits.
class AudioStream {
public:
    // What the mixer and the clock know about one play.
    struct PlayState {
        std::uint32_t playId = 0;        // the play this state belongs to; 0 before any
        bool ended = false;              // every decoded frame has been mixed
        int channel = -1;                // mixer channel while playing, else -1 (mix side only)
        std::uint64_t framesBefore = 0;  // frames mixed before the last device buffer
        std::uint64_t framesAfter = 0;   // frames mixed including the last device buffer
        std::int64_t heardFromNs = 0;    // when the last device buffer's first frame is heard
    };

    struct MixResult {
        bool starved = false;  // the ring ran dry before the end of the file
        bool ended = false;    // the play is over: the file ended or the gate closed
    };

    explicit AudioStream(std::unique_ptr<AudioDecoder> decoder);
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    std::uint32_t lengthMs() const { return length; }

    // Decode side.
    void decodeAhead(std::size_t aheadFrames);
    // Back to the start with a first chunk decoded; only while the gate is
    // closed. At a tempo other than 1 the music is stretched to it on the
    // decode side, at its own pitch; at 1 it goes to the ring as decoded.
    void rewind(std::size_t prefillFrames, double fromSeconds = 0.0, double tempo = 1.0);
    bool wantsDecoding() const { return decodeWanted.load(std::memory_order_acquire); }
    void setWantsDecoding(bool wanted) { decodeWanted.store(wanted, std::memory_order_release); }

    // Game side: lets the mix side read the ring for this play only.
    void openGate(std::uint32_t playId);
    // Shuts the ring to every play and returns once the mix side has left it.
    // The wait is at most the mixing of one buffer of this stream.
    void closeGate();
    // The play state as last published by the mix side; consistent, lock-free.
    PlayState published() const;

    // Mix side: starts a play on a channel, clock at zero.
    void beginPlay(std::uint32_t playId, int channel, std::int64_t startNs);
    // Adds the next frames onto `out` and advances the play state.
    MixResult mix(float* out, std::size_t frames, float gain, std::int64_t heardFromNs);
    PlayState& playState() { return state; }
    const PlayState& playState() const { return state; }

    // Game side: the play the game last started, and the last clock reading,
    // so that the clock never runs backwards within one play.
    struct Issued {
        std::uint32_t playId = 0;  // 0 until the stream first plays
        int channel = -1;
        std::int64_t startNs = 0;
        double tempo = 1.0;  // music frames per frame played
    };
    Issued issued;
    double lastReportedMs = 0.0;
    ClockFilter clockFilter;

private:
    void decodeUntil(std::size_t aheadFrames);
    void publish();

    std::unique_ptr<AudioDecoder> decoder;
    // Made at the first play at another tempo; used only while `stretching`.
    std::unique_ptr<TimeStretcher> stretcher;
    bool stretching = false;
    const std::uint32_t length;
    AudioRing ring;
    std::mutex decodeMutex;
    std::vector<float> scratch;
    std::atomic<bool> decodeFinished{false};
    std::atomic<bool> decodeWanted{false};

    std::atomic<std::uint32_t> gate{0};
    std::atomic<bool> mixing{false};
    PlayState state;

    // The published copy of `state`, guarded by a sequence count that is odd
    // while the mix side writes it: readers retry instead of locking.
    struct Published {
        std::atomic<std::uint32_t> sequence{0};
        std::atomic<std::uint32_t> playId{0};
        std::atomic<bool> ended{false};
        std::atomic<std::uint64_t> framesBefore{0};
        std::atomic<std::uint64_t> framesAfter{0};
        std::atomic<std::int64_t> heardFromNs{0};
    };
    Published shared;
};

} // namespace platform
