#include "platform/Mixer.h"

#include "platform/AudioSample.h"
#include "platform/AudioStream.h"

#include <algorithm>

namespace platform {

Mixer::Mixer(int channelCount)
    : channels(static_cast<std::size_t>(std::max(channelCount, 1)))
    , endedPlays(channels.size())
{
}

int Mixer::freeChannel() const
{
    for (std::size_t i = 0; i < channels.size(); ++i)
        if (channels[i].idle())
            return static_cast<int>(i);
    return -1;
}

bool Mixer::allIdle() const
{
    return std::all_of(channels.begin(), channels.end(), [](const Channel& channel) { return channel.idle(); });
}

void Mixer::playStream(int channel, AudioStream* stream, std::uint32_t playId, std::int64_t startNs)
{
    if (channel < 0 || channel >= channelCount())
        return;
    stop(channel);
    channels[static_cast<std::size_t>(channel)] = Channel{stream, nullptr, 0, playId};
    stream->beginPlay(playId, channel, startNs);
}

void Mixer::playSample(int channel, const AudioSample* sample, std::uint32_t playId)
{
    if (channel < 0 || channel >= channelCount())
        return;
    stop(channel);
    channels[static_cast<std::size_t>(channel)] = Channel{nullptr, sample, 0, playId};
}

std::uint32_t Mixer::lastEndedPlay(int channel) const
{
    if (channel < 0 || channel >= channelCount())
        return 0;
    return endedPlays[static_cast<std::size_t>(channel)].load(std::memory_order_acquire);
}

void Mixer::end(Channel& channel)
{
    endedPlays[static_cast<std::size_t>(&channel - channels.data())].store(channel.playId, std::memory_order_release);
    channel = Channel{};
}

void Mixer::stop(int channel)
{
    if (channel < 0 || channel >= channelCount())
        return;
    Channel& slot = channels[static_cast<std::size_t>(channel)];
    if (slot.stream)
        slot.stream->playState().channel = -1;
    slot = Channel{};
}

void Mixer::stopSample(const AudioSample* sample)
{
    for (Channel& slot : channels)
        if (slot.sample == sample)
            slot = Channel{};
}

bool Mixer::mix(float* out, std::size_t frames, float gain, std::int64_t heardFromNs)
{
    std::fill_n(out, frames * 2, 0.0f);
    bool starved = false;
    for (Channel& channel : channels) {
        if (channel.stream)
            starved = mixStream(channel, out, frames, gain, heardFromNs) || starved;
        else if (channel.sample)
            mixSample(channel, out, frames, gain);
    }
    for (std::size_t i = 0; i < frames * 2; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
    return starved;
}

bool Mixer::mixStream(Channel& channel, float* out, std::size_t frames, float gain, std::int64_t heardFromNs)
{
    const AudioStream::MixResult result = channel.stream->mix(out, frames, gain, heardFromNs);
    if (result.ended) {
        channel.stream->playState().channel = -1;
        end(channel);
    }
    return result.starved;
}

void Mixer::mixSample(Channel& channel, float* out, std::size_t frames, float gain)
{
    const AudioSample& sample = *channel.sample;
    const std::size_t count = std::min(frames, sample.frameCount() - channel.samplePosition);
    for (std::size_t i = 0; i < count; ++i) {
        const float* frame = sample.frame(channel.samplePosition + i);
        out[i * 2] += frame[0] * gain;
        out[i * 2 + 1] += frame[1] * gain;
    }
    channel.samplePosition += count;
    if (channel.samplePosition >= sample.frameCount())
        end(channel);
}

} // namespace platform
