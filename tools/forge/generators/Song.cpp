// "Coconut": the synthesised song as MP3 and its DWI step file. Both come from
// one generator because the chart's GAP is measured in the encoded song.
#include "Generator.h"
#include "audio/SongPlan.h"
#include "audio/SongRenderer.h"
#include "generators/ChartBuilder.h"
#include "writers/DwiWriter.h"
#include "writers/Mp3Writer.h"
#include "writers/SoundFileReader.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace forge {
namespace {

std::vector<float> monoWindow(const PcmAudio& audio, long start, std::size_t length)
{
    std::vector<float> window(length, 0.0f);
    const auto frames = static_cast<long>(audio.frames());
    for (std::size_t i = 0; i < length; ++i) {
        const long frame = start + static_cast<long>(i);
        if (frame < 0 || frame >= frames)
            continue;
        float sum = 0.0f;
        for (int c = 0; c < audio.channels; ++c)
            sum += audio.samples[static_cast<std::size_t>(frame * audio.channels + c)];
        window[i] = sum;
    }
    return window;
}

// How many frames later than in `reference` the audio around `frame` sits in
// `decoded` (encoder delay or padding the decoder did not remove).
long measureLag(const PcmAudio& reference, const PcmAudio& decoded, std::size_t frame)
{
    constexpr long maxLag = 3000;
    constexpr std::size_t window = 4096;
    const long start = static_cast<long>(frame) - 1024;
    const auto wanted = monoWindow(reference, start, window);
    const auto found = monoWindow(decoded, start - maxLag, window + 2 * maxLag);
    long bestLag = 0;
    double bestScore = -1e300;
    for (long lag = -maxLag; lag <= maxLag; ++lag) {
        double score = 0.0;
        for (std::size_t i = 0; i < window; ++i)
            score += static_cast<double>(wanted[i]) * found[static_cast<std::size_t>(lag + maxLag) + i];
        if (score > bestScore) {
            bestScore = score;
            bestLag = lag;
        }
    }
    return bestLag;
}

int measuredGapMilliseconds(const PcmAudio& rendered, const std::filesystem::path& mp3)
{
    std::string error;
    const auto decoded = SoundFileReader::read(mp3, &error);
    if (!decoded)
        throw std::runtime_error("cannot decode " + mp3.string() + ": " + error);
    const long lag = measureLag(rendered, decoded->audio, SongPlan::beatZeroFrame());
    const double frame = static_cast<double>(SongPlan::beatZeroFrame()) + static_cast<double>(lag);
    return static_cast<int>(std::lround(frame * 1000.0 / decoded->audio.sampleRate));
}

std::string fixed3(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

void writeChart(const std::filesystem::path& path, int gapMilliseconds)
{
    const double chorusStart = SongPlan::beatZeroMilliseconds() / 1000.0 + 16 * SongPlan::beatsPerBar * 60.0 / SongPlan::bpm;
    DwiWriter dwi;
    dwi.tag("TITLE", "Coconut");
    dwi.tag("ARTIST", "Flarevox Forge");
    dwi.tag("FILE", "Data\\Music\\coconut.mp3");
    dwi.tag("BPM", fixed3(SongPlan::bpm));
    dwi.tag("GAP", std::to_string(gapMilliseconds));
    dwi.tag("SAMPLESTART", fixed3(chorusStart));
    dwi.tag("SAMPLELENGTH", fixed3(15.0));
    dwi.chart("SINGLE", "BEGINNER", 1, {ChartBuilder::beginner()});
    dwi.chart("SINGLE", "BASIC", 3, {ChartBuilder::basic()});
    dwi.chart("SINGLE", "ANOTHER", 5, {ChartBuilder::another()});
    dwi.chart("DOUBLE", "BASIC", 3, ChartBuilder::doubleBasic());
    dwi.write(path);
}

void generateSong(const std::filesystem::path& root)
{
    const PcmAudio song = SongRenderer::render();
    const auto mp3 = root / "Data/Music/coconut.mp3";
    Mp3Writer::write(mp3, song);
    writeChart(root / "Data/Dwi/Coconut.DWI", measuredGapMilliseconds(song, mp3));
}

} // namespace

FORGE_GENERATOR("song", generateSong);

} // namespace forge
