#pragma once

#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace soundtest {

enum class ToneFormat { Wav16, WavFloat, Mp3 };

// Writes a sound file of `seconds` seconds whose every sample is `level`
// (a constant level survives resampling, so tests can check it exactly).
inline bool writeLevelFile(const std::string& path, double seconds, int rate, int channels, float level,
                           ToneFormat format = ToneFormat::Wav16)
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
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    const std::vector<float> samples(static_cast<std::size_t>(frames * channels), level);
    const bool written = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

// Writes a stereo sine of `hz` at half scale; with `everySeconds`, only
// bursts of `burstSeconds` that start every `everySeconds` from then on.
inline bool writeToneFile(const std::string& path, double seconds, int rate, double hz, double everySeconds = 0.0,
                          double burstSeconds = 0.0)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    std::vector<float> samples(static_cast<std::size_t>(frames * 2), 0.0f);
    for (sf_count_t i = 0; i < frames; ++i) {
        const double atSeconds = static_cast<double>(i) / rate;
        const double sinceBurst = everySeconds > 0.0 ? std::fmod(atSeconds, everySeconds) : atSeconds;
        if (atSeconds < everySeconds || (everySeconds > 0.0 && sinceBurst >= burstSeconds))
            continue;
        const auto value = static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * sinceBurst));
        samples[static_cast<std::size_t>(i * 2)] = value;
        samples[static_cast<std::size_t>(i * 2 + 1)] = value;
    }
    const bool written = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

} // namespace soundtest
