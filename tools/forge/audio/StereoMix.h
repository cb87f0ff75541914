#pragma once

#include "writers/PcmAudio.h"

#include <cstddef>
#include <vector>

namespace forge {

// A stereo float bus that voices are placed into at exact frame positions.
class StereoMix {
public:
    explicit StereoMix(std::size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}

    // pan: -1 left .. 1 right, equal power. Parts past the end are dropped.
    void add(std::size_t frame, const std::vector<float>& voice, float gain, float pan = 0.0f);
    // Ping-pong echo: each repeat swaps sides and is scaled by feedback.
    void echo(std::size_t delayFrames, float feedback);
    // Lowers the level after each given frame (sidechain pumping under the kick).
    void duck(const std::vector<std::size_t>& frames, float depth, std::size_t releaseFrames);
    void mixInto(StereoMix& target, float gain) const;
    void fadeOut(std::size_t frames);
    // Scales so the loudest sample has the given magnitude.
    void normalise(float peak);

    std::size_t frames() const { return left.size(); }
    PcmAudio toPcm(int sampleRate) const;

private:
    std::vector<float> left;
    std::vector<float> right;
};

} // namespace forge
