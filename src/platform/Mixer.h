#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class AudioSample;
class AudioStream;

// The software mixer: a fixed number of channels, each playing one stream or
// one sample, summed into interleaved stereo float frames.
class Mixer {
public:
    explicit Mixer(int channelCount);

    int channelCount() const { return static_cast<int>(channels.size()); }
    // The lowest idle channel, or -1 when all are busy.
    int freeChannel() const;
    bool allIdle() const;

    void playStream(int channel, AudioStream* stream);
    // On the lowest idle channel; returns it, or -1 when all are busy.
    int playSample(const AudioSample* sample);
    void stop(int channel);
    void stopSample(const AudioSample* sample);

    // Overwrites `out` with the next `frames` frames at master gain 0..1,
    // clipped to -1..1. Returns true when a stream could not supply its frames.
    bool mix(float* out, std::size_t frames, float gain, std::int64_t nowNs);

private:
    struct Channel {
        AudioStream* stream = nullptr;
        const AudioSample* sample = nullptr;
        std::size_t samplePosition = 0;
        bool idle() const { return !stream && !sample; }
    };

    bool mixStream(Channel& channel, float* out, std::size_t frames, float gain, std::int64_t nowNs);
    static void mixSample(Channel& channel, float* out, std::size_t frames, float gain);

    std::vector<Channel> channels;
};

} // namespace platform
