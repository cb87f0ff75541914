// calibration.wav: the click track of the timing calibration, 120 beats per
// minute. Each click is a short high blip that starts on its sample exactly,
// so a tap can be measured against it to the millisecond.
#include "Generator.h"
#include "writers/WavWriter.h"

#include <cmath>
#include <numbers>

namespace forge {
namespace {

constexpr int rate = 44100;
// The first click, then one every half second; what the game expects.
constexpr double firstClickSeconds = 1.0;
constexpr double clickSpacingSeconds = 0.5;
constexpr int clickCount = 64;
constexpr double clickSeconds = 0.03;

std::vector<float> clicks()
{
    const double length = firstClickSeconds + clickSpacingSeconds * clickCount;
    std::vector<float> out(static_cast<std::size_t>(length * rate));
    const auto clickFrames = static_cast<std::size_t>(clickSeconds * rate);
    for (int click = 0; click < clickCount; ++click) {
        // Every fourth click is higher, so the player can count bars.
        const double pitch = click % 4 == 0 ? 1760.0 : 1320.0;
        const auto start = static_cast<std::size_t>(std::lround((firstClickSeconds + click * clickSpacingSeconds) * rate));
        for (std::size_t i = 0; i < clickFrames && start + i < out.size(); ++i) {
            const double t = static_cast<double>(i) / rate;
            out[start + i] = static_cast<float>(0.8 * std::sin(2.0 * std::numbers::pi * pitch * t) * std::exp(-t / 0.008));
        }
    }
    return out;
}

void generateClickTrack(const std::filesystem::path& root)
{
    PcmAudio audio;
    audio.sampleRate = rate;
    audio.channels = 1;
    audio.samples = clicks();
    WavWriter::write(root / "Data/Sound/calibration.wav", audio);
}

} // namespace

FORGE_GENERATOR("calibration", generateClickTrack);

} // namespace forge
