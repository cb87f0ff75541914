#include "StretchBench.h"

#include "platform/AudioDecoder.h"
#include "platform/AudioEngine.h"
#include "platform/TimeStretcher.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr const char* songPath = "Data/Music/coconut.mp3";
// The frames the decode side asks for at a time (the stream's chunk).
constexpr std::size_t chunkFrames = 4096;

// Pulls `frames` frames through `read`, rewinding the song at its end; the
// CPU time taken, in seconds.
template <typename Read>
double cpuSecondsFor(platform::AudioDecoder& song, std::size_t frames, Read read)
{
    std::vector<float> buffer(chunkFrames * platform::AudioDecoder::outputChannels);
    const std::clock_t start = std::clock();
    for (std::size_t done = 0; done < frames;) {
        const std::size_t got = read(buffer.data(), std::min(chunkFrames, frames - done));
        if (got == 0 && !song.rewind())
            break;
        done += got;
    }
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

} // namespace

BenchTable StretchBench::run() const
{
    BenchTable table;
    const std::string group = "music rate";
    const int sampleRate = platform::AudioEngine::defaultRate;
    auto song = platform::AudioDecoder::open(songPath, sampleRate);
    if (!song) {
        table.add({group, "song opened", 0, "", "", 0, songPath, "missed"});
        return table;
    }
    const auto musicFrames = static_cast<std::size_t>(seconds * sampleRate);
    const double decodeSeconds = cpuSecondsFor(*song, musicFrames, [&song](float* out, std::size_t frames) {
        return song->read(out, frames);
    });
    song->rewind();
    platform::TimeStretcher stretcher(sampleRate);
    stretcher.restart(rate);
    const auto playedFrames = static_cast<std::size_t>(seconds / rate * sampleRate);
    const double stretchSeconds = cpuSecondsFor(*song, playedFrames, [&](float* out, std::size_t frames) {
        const std::size_t got = stretcher.read(*song, out, frames);
        if (got < frames)
            stretcher.restart(rate);
        return got;
    });
    const double playedSeconds = seconds / rate;
    char name[64];
    std::snprintf(name, sizeof name, "decode and stretch at %.2fx, share of one core", rate);
    const double share = 100.0 * stretchSeconds / playedSeconds;
    table.add({group, "music decoded and stretched", seconds, "s", "played for", playedSeconds, "", "info"});
    table.add({group, "decode alone, share of one core", 100.0 * decodeSeconds / playedSeconds, "%", "", 0, "",
        "info"});
    table.add({group, name, share, "%", "", 0, "<= 15 %", verdict(share <= 15.0)});
    return table;
}
