#include "platform/AudioDecoder.h"

#include "platform/FileSystem.h"

#include <sndfile.h>

#include <algorithm>

namespace platform {
namespace {

constexpr std::size_t sourceChunkFrames = 4096;
constexpr int maxSourceChannels = 64;

} // namespace

std::unique_ptr<AudioDecoder> AudioDecoder::open(const std::string& gamePath, int outputRate)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(FileSystem::nativePath(gamePath).c_str(), SFM_READ, &info);
    if (!file)
        return nullptr;
    if (info.samplerate <= 0 || info.channels <= 0 || info.channels > maxSourceChannels || info.frames < 0) {
        sf_close(file);
        return nullptr;
    }
    return std::unique_ptr<AudioDecoder>(
        new AudioDecoder(file, info.samplerate, info.channels, info.frames, outputRate));
}

AudioDecoder::AudioDecoder(sf_private_tag* file, int sourceRate, int sourceChannels, std::int64_t sourceFrames,
                           int outputRate)
    : file(file)
    , sourceRate(sourceRate)
    , sourceChannels(sourceChannels)
    , outputRate(outputRate)
{
    // A frame count too large to be real means the length is unknown.
    const std::int64_t ms = sourceFrames < INT64_MAX / 1000 ? sourceFrames * 1000 / sourceRate : INT64_MAX;
    length = static_cast<std::uint32_t>(std::min<std::int64_t>(ms, UINT32_MAX));
    interleaved.resize(sourceChunkFrames * static_cast<std::size_t>(sourceChannels));
    window.resize((sourceChunkFrames + 1) * outputChannels);
}

AudioDecoder::~AudioDecoder()
{
    sf_close(file);
}

bool AudioDecoder::rewind(double seconds)
{
    windowFrames = 0;
    position = 0.0;
    sourceEnded = false;
    const auto frame = static_cast<sf_count_t>(std::clamp(seconds, 0.0, 1e7) * sourceRate);
    return sf_seek(file, frame, SEEK_SET) >= 0;
}

std::size_t AudioDecoder::read(float* out, std::size_t frames)
{
    if (sourceRate == outputRate)
        return readSource(out, frames);
    return readResampled(out, frames);
}

std::size_t AudioDecoder::readSource(float* out, std::size_t frames)
{
    std::size_t done = 0;
    while (done < frames && !sourceEnded) {
        const std::size_t want = std::min(frames - done, sourceChunkFrames);
        const sf_count_t got = sf_readf_float(file, interleaved.data(), static_cast<sf_count_t>(want));
        if (got <= 0) {
            sourceEnded = true;
            break;
        }
        for (sf_count_t i = 0; i < got; ++i) {
            const float* in = &interleaved[static_cast<std::size_t>(i) * sourceChannels];
            float* frame = out + (done + static_cast<std::size_t>(i)) * outputChannels;
            frame[0] = in[0];
            frame[1] = sourceChannels > 1 ? in[1] : in[0];
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

// Keeps the source frame under the resampling position and the one after it
// in the window, dropping what lies before.
bool AudioDecoder::refill()
{
    const auto keepFrom = std::min(static_cast<std::size_t>(position), windowFrames);
    const std::size_t kept = windowFrames > keepFrom ? windowFrames - keepFrom : 0;
    std::copy_n(window.begin() + static_cast<std::ptrdiff_t>(keepFrom * outputChannels), kept * outputChannels,
                window.begin());
    position -= static_cast<double>(keepFrom);
    windowFrames = kept;
    const std::size_t room = window.size() / outputChannels - windowFrames;
    const std::size_t got = readSource(window.data() + windowFrames * outputChannels, room);
    windowFrames += got;
    return got > 0;
}

std::size_t AudioDecoder::readResampled(float* out, std::size_t frames)
{
    const double step = static_cast<double>(sourceRate) / outputRate;
    std::size_t done = 0;
    while (done < frames) {
        auto base = static_cast<std::size_t>(position);
        if (base + 1 >= windowFrames && !sourceEnded) {
            refill();
            continue;
        }
        if (base >= windowFrames)
            break;
        const float* a = &window[base * outputChannels];
        const float* b = base + 1 < windowFrames ? a + outputChannels : a;
        const auto fraction = static_cast<float>(position - static_cast<double>(base));
        out[done * outputChannels] = a[0] + (b[0] - a[0]) * fraction;
        out[done * outputChannels + 1] = a[1] + (b[1] - a[1]) * fraction;
        ++done;
        position += step;
    }
    return done;
}

} // namespace platform
