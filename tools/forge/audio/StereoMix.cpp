#include "audio/StereoMix.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace forge {

void StereoMix::add(std::size_t frame, const std::vector<float>& voice, float gain, float pan)
{
    if (frame >= frames())
        return;
    const float angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * static_cast<float>(std::numbers::pi) / 4.0f;
    const float leftGain = gain * std::cos(angle);
    const float rightGain = gain * std::sin(angle);
    const std::size_t count = std::min(voice.size(), frames() - frame);
    for (std::size_t i = 0; i < count; ++i) {
        left[frame + i] += voice[i] * leftGain;
        right[frame + i] += voice[i] * rightGain;
    }
}

void StereoMix::echo(std::size_t delayFrames, float feedback)
{
    if (delayFrames == 0)
        return;
    for (std::size_t i = delayFrames; i < frames(); ++i) {
        left[i] += right[i - delayFrames] * feedback;
        right[i] += left[i - delayFrames] * feedback;
    }
}

void StereoMix::duck(const std::vector<std::size_t>& triggers, float depth, std::size_t releaseFrames)
{
    std::vector<float> gain(frames(), 1.0f);
    for (const std::size_t start : triggers) {
        for (std::size_t i = 0; i < releaseFrames && start + i < frames(); ++i) {
            const float progress = static_cast<float>(i) / static_cast<float>(releaseFrames);
            gain[start + i] = std::min(gain[start + i], 1.0f - depth * (1.0f - progress) * (1.0f - progress));
        }
    }
    for (std::size_t i = 0; i < frames(); ++i) {
        left[i] *= gain[i];
        right[i] *= gain[i];
    }
}

void StereoMix::mixInto(StereoMix& target, float gain) const
{
    const std::size_t count = std::min(frames(), target.frames());
    for (std::size_t i = 0; i < count; ++i) {
        target.left[i] += left[i] * gain;
        target.right[i] += right[i] * gain;
    }
}

void StereoMix::fadeOut(std::size_t fadeFrames)
{
    const std::size_t count = std::min(fadeFrames, frames());
    for (std::size_t i = 0; i < count; ++i) {
        const float gain = static_cast<float>(i) / static_cast<float>(count);
        left[frames() - 1 - i] *= gain;
        right[frames() - 1 - i] *= gain;
    }
}

void StereoMix::normalise(float peak)
{
    float loudest = 0.0f;
    for (std::size_t i = 0; i < frames(); ++i)
        loudest = std::max({loudest, std::fabs(left[i]), std::fabs(right[i])});
    if (loudest <= 0.0f)
        return;
    const float gain = peak / loudest;
    for (std::size_t i = 0; i < frames(); ++i) {
        left[i] *= gain;
        right[i] *= gain;
    }
}

PcmAudio StereoMix::toPcm(int sampleRate) const
{
    PcmAudio audio;
    audio.sampleRate = sampleRate;
    audio.channels = 2;
    audio.samples.resize(frames() * 2);
    for (std::size_t i = 0; i < frames(); ++i) {
        audio.samples[2 * i] = left[i];
        audio.samples[2 * i + 1] = right[i];
    }
    return audio;
}

} // namespace forge
