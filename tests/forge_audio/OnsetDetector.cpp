#include "OnsetDetector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace forgetest {

std::vector<double> findKickOnsets(const forge::PcmAudio& audio)
{
    const std::size_t frames = audio.frames();
    const double rate = audio.sampleRate;
    const double lowPass = 1.0 - std::exp(-2.0 * std::numbers::pi * 150.0 / rate);
    const double release = std::exp(-1.0 / (0.015 * rate));

    std::vector<float> envelope(frames);
    double stage1 = 0.0, stage2 = 0.0, peak = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        double mono = 0.0;
        for (int c = 0; c < audio.channels; ++c)
            mono += audio.samples[i * static_cast<std::size_t>(audio.channels) + static_cast<std::size_t>(c)];
        stage1 += lowPass * (mono - stage1);
        stage2 += lowPass * (stage1 - stage2);
        peak = std::max(std::fabs(stage2), peak * release);
        envelope[i] = static_cast<float>(peak);
    }
    const float loudest = frames ? *std::max_element(envelope.begin(), envelope.end()) : 0.0f;

    std::vector<double> onsets;
    const auto lookBack = static_cast<std::size_t>(0.010 * rate);
    const auto refractory = static_cast<std::size_t>(0.150 * rate);
    std::size_t last = 0;
    for (std::size_t i = lookBack; i < frames; ++i) {
        if (envelope[i] < 0.6f * loudest || envelope[i - lookBack] >= 0.35f * loudest)
            continue;
        if (!onsets.empty() && i - last < refractory)
            continue;
        // The onset is where the rise crossed the lower mark.
        std::size_t start = i;
        while (start > i - lookBack && envelope[start - 1] >= 0.35f * loudest)
            --start;
        onsets.push_back(static_cast<double>(start) * 1000.0 / rate);
        last = i;
    }
    return onsets;
}

} // namespace forgetest
