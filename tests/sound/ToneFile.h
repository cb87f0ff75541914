#pragma once

#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace soundtest {

enum class ToneFormat { Wav16, WavFloat, Mp3 };

// Writes the interleaved samples as a sound file of the given format.
inline bool writeSamples(const std::string& path, int rate, int channels, const std::vector<float>& samples,
                         ToneFormat format = ToneFormat::WavFloat)
{
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    switch (format) {
    case ToneFormat::Wav16: info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16; break;
    case ToneFormat::WavFloat: info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT; break;
    case ToneFormat::Mp3: info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III; break;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    const auto frames = static_cast<sf_count_t>(samples.size() / static_cast<std::size_t>(channels));
    const bool written = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

// Writes a sound file of `seconds` seconds whose every sample is `level`
// (a constant level survives resampling, so tests can check it exactly).
inline bool writeLevelFile(const std::string& path, double seconds, int rate, int channels, float level,
                           ToneFormat format = ToneFormat::Wav16)
{
    const auto frames = static_cast<std::size_t>(seconds * rate);
    return writeSamples(path, rate, channels, std::vector<float>(frames * static_cast<std::size_t>(channels), level),
                        format);
}

// Writes a stereo sine of `hz` at half scale; with `everySeconds`, only
// bursts of `burstSeconds` that start every `everySeconds` from then on.
inline bool writeToneFile(const std::string& path, double seconds, int rate, double hz, double everySeconds = 0.0,
                          double burstSeconds = 0.0)
{
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<float> samples(frames * 2, 0.0f);
    for (std::size_t i = 0; i < frames; ++i) {
        const double atSeconds = static_cast<double>(i) / rate;
        const double sinceBurst = everySeconds > 0.0 ? std::fmod(atSeconds, everySeconds) : atSeconds;
        if (atSeconds < everySeconds || (everySeconds > 0.0 && sinceBurst >= burstSeconds))
            continue;
        samples[i * 2] = samples[i * 2 + 1] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * sinceBurst));
    }
    return writeSamples(path, rate, 2, samples);
}

} // namespace soundtest
