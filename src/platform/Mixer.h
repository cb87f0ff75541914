#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class AudioSample;
class AudioStream;

// The software mixer: a fixed number of channels, each playing one stream or
// one sample, summed into interleaved stereo float frames. It belongs to the
// thread that mixes; other threads only read which play each channel ended.
class Mixer {
public:
    explicit Mixer(int channelCount);

    int channelCount() const { return static_cast<int>(channels.size()); }
    // The lowest idle channel, or -1 when all are busy.
    int freeChannel() const;
    bool allIdle() const;

    // Replace whatever the channel plays; out-of-range channels are ignored.
    void playStream(int channel, AudioStream* stream, std::uint32_t playId, std::int64_t startNs);
    void playSample(int channel, const AudioSample* sample, std::uint32_t playId);
    void stop(int channel);
    void stopSample(const AudioSample* sample);

    // Overwrites `out` with the next `frames` frames at master gain 0..1,
    // clipped to -1..1. Returns true when a stream could not supply its frames.
    bool mix(float* out, std::size_t frames, float gain, std::int64_t heardFromNs);

    // The id of the last play that came to its end by itself on the channel;
    // safe to read from any thread.
    std::uint32_t lastEndedPlay(int channel) const;

private:
    struct Channel {
        AudioStream* stream = nullptr;
        const AudioSample* sample = nullptr;
        std::size_t samplePosition = 0;
        std::uint32_t playId = 0;
        bool idle() const { return !stream && !sample; }
    };

    bool mixStream(Channel& channel, float* out, std::size_t frames, float gain, std::int64_t heardFromNs);
    void mixSample(Channel& channel, float* out, std::size_t frames, float gain);
    void end(Channel& channel);

    std::vector<Channel> channels;
    std::vector<std::atomic<std::uint32_t>> endedPlays;
};

} // namespace platform
