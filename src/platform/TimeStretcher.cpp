#include "platform/TimeStretcher.h"

#include "platform/AudioDecoder.h"

#include <soundtouch/SoundTouch.h>

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

constexpr std::size_t inputChunkFrames = 2048;
constexpr double slowSeekMs = 57.0;

} // namespace

TimeStretcher::TimeStretcher(int rate)
    : sampleRate(rate)
    , engine(std::make_unique<soundtouch::SoundTouch>())
    , input(inputChunkFrames * AudioDecoder::outputChannels)
{
    engine->setSampleRate(static_cast<unsigned>(sampleRate));
    engine->setChannels(AudioDecoder::outputChannels);
}

TimeStretcher::~TimeStretcher() = default;

void TimeStretcher::restart(double tempo)
{
    currentTempo = std::clamp(tempo, slowest, fastest);
    engine->clear();
    engine->setTempo(currentTempo);
    sourceEnded = false;
    pendingShift = std::lround(centringShift() * sampleRate / 1000.0);
}

// Where the stretched music is heard against its time, on average, and so
// how far to shift it. Within each of SoundTouch's output sequences the music
// runs at its own speed: a sequence drifts from the rate by (tempo - 1) times
// its length towards its end, half of that on average. Slower, each sequence
// is also taken from late in its seek window (the nearest to where the last
// one ended), which brings the music earlier by about 57 ms times the square
// of the slowing (measured on tone bursts from 0.5x to 0.95x).
double TimeStretcher::centringShift() const
{
    const double sequenceMs = engine->getSetting(SETTING_NOMINAL_OUTPUT_SEQUENCE) * 1000.0 / sampleRate;
    const double slowing = std::max(0.0, 1.0 - currentTempo);
    return (currentTempo - 1.0) * sequenceMs / 2.0 - slowSeekMs * slowing * slowing;
}

std::size_t TimeStretcher::read(AudioDecoder& source, float* out, std::size_t frames)
{
    std::size_t done = 0;
    while (done < frames) {
        done += engine->receiveSamples(out + done * AudioDecoder::outputChannels,
                                       static_cast<unsigned>(frames - done));
        if (done < frames && sourceEnded && engine->numSamples() == 0)
            break;
        if (done < frames && !sourceEnded)
            feed(source);
    }
    return done;
}

// At the end of the source the stretcher's last frames are pushed out (with a
// little silence after them).
void TimeStretcher::feed(AudioDecoder& source)
{
    if (pendingShift < 0) {
        std::fill(input.begin(), input.end(), 0.0f);
        const auto silent = std::min<long>(-pendingShift, static_cast<long>(inputChunkFrames));
        engine->putSamples(input.data(), static_cast<unsigned>(silent));
        pendingShift += silent;
        return;
    }
    while (pendingShift > 0) {
        const auto skip = std::min<long>(pendingShift, static_cast<long>(inputChunkFrames));
        const std::size_t got = source.read(input.data(), static_cast<std::size_t>(skip));
        pendingShift = got < static_cast<std::size_t>(skip) ? 0 : pendingShift - skip;
    }
    const std::size_t got = source.read(input.data(), inputChunkFrames);
    engine->putSamples(input.data(), static_cast<unsigned>(got));
    if (got < inputChunkFrames) {
        engine->flush();
        sourceEnded = true;
    }
}

} // namespace platform
