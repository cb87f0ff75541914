#include "ToneFile.h"

#include "platform/AudioEngine.h"
#include "platform/SimulatedClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using platform::AudioEngine;
using platform::AudioStream;

constexpr int rate = 44100;
constexpr std::size_t chunkFrames = 1024;

// Plays the whole stream through the silent engine by hand, decoding just
// before each buffer as its pump does; the left channel of what was mixed.
std::vector<float> renderLeft(AudioEngine& engine, AudioStream* stream, double tempo)
{
    std::vector<float> left;
    std::vector<float> buffer(chunkFrames * 2);
    engine.playStream(stream, 0.0, tempo);
    while (engine.streamPositionMs(stream) < stream->lengthMs() && left.size() < 40u * rate) {
        stream->decodeAhead(chunkFrames);
        engine.render(buffer.data(), chunkFrames, 0.0);
        for (std::size_t i = 0; i < chunkFrames; ++i)
            left.push_back(buffer[i * 2]);
    }
    return left;
}

// Rising zero crossings, interpolated, between `from` and `to` (frames).
double frequencyOf(const std::vector<float>& wave, std::size_t from, std::size_t to)
{
    std::vector<double> crossings;
    for (std::size_t i = from + 1; i < to; ++i)
        if (wave[i - 1] < 0.0f && wave[i] >= 0.0f)
            crossings.push_back(static_cast<double>(i - 1) + wave[i - 1] / (wave[i - 1] - wave[i]));
    if (crossings.size() < 2)
        return 0.0;
    return static_cast<double>(crossings.size() - 1) * rate / (crossings.back() - crossings.front());
}

std::size_t firstSounding(const std::vector<float>& wave)
{
    const auto found = std::find_if(wave.begin(), wave.end(), [](float s) { return std::abs(s) > 0.05f; });
    return static_cast<std::size_t>(found - wave.begin());
}

struct StretchTest : ::testing::Test {
    void SetUp() override
    {
        engine.setOutput(AudioEngine::Output::NoSound);
        ASSERT_TRUE(engine.start(rate, 4));
    }
    const testsupport::ScratchDir scratch;
    const platform::SimulatedClock clock{100};
    AudioEngine engine;
};

TEST_F(StretchTest, ToneKeepsItsPitchWhileTheSongTakesItsTimeOverTheRate)
{
    ASSERT_TRUE(soundtest::writeToneFile("tone.wav", 3.0, rate, 440.0));
    AudioStream* stream = engine.openStream("tone.wav");
    ASSERT_TRUE(stream);
    for (const double tempo : {0.5, 1.5, 2.0}) {
        const std::vector<float> heard = renderLeft(engine, stream, tempo);
        const double playedMs = static_cast<double>(heard.size()) * 1000.0 / rate;
        EXPECT_NEAR(playedMs, 3000.0 / tempo, 3000.0 / tempo * 0.02 + chunkFrames * 1000.0 / rate) << tempo;
        const std::size_t margin = rate / 4;
        ASSERT_GT(heard.size(), 3 * margin) << tempo;
        EXPECT_NEAR(frequencyOf(heard, margin, heard.size() - margin), 440.0, 4.4) << tempo;
    }
}

// What is heard at a moment is the music the clock reads then, on average
// over the song: each burst of a tone every 0.413 s starts to sound when the
// clock reads its time, within 2 ms of music on average (a stretcher's
// sequences place each one within about 15 ms).
TEST_F(StretchTest, ClockReadsTheMusicsTimeOfWhatIsHeard)
{
    constexpr double every = 0.413;
    ASSERT_TRUE(soundtest::writeToneFile("bursts.wav", 12.0, rate, 440.0, every, 0.15));
    AudioStream* stream = engine.openStream("bursts.wav");
    ASSERT_TRUE(stream);
    for (const double tempo : {0.5, 0.75, 1.0, 1.5, 2.0}) {
        const std::vector<float> heard = renderLeft(engine, stream, tempo);
        double sum = 0.0;
        int bursts = 0;
        for (double burstSeconds = every; burstSeconds < 11.5; burstSeconds += every, ++bursts) {
            const auto from = static_cast<std::size_t>((burstSeconds / tempo - 0.1) * rate);
            ASSERT_LT(from, heard.size()) << tempo;
            const std::size_t onset = from + firstSounding(std::vector<float>(heard.begin() + from, heard.end()));
            const double errorMs = static_cast<double>(onset) * 1000.0 / rate * tempo - burstSeconds * 1000.0;
            EXPECT_LT(std::fabs(errorMs), 20.0) << tempo << "x, burst at " << burstSeconds << " s";
            sum += errorMs;
        }
        EXPECT_NEAR(sum / bursts, 0.0, 2.0) << tempo;
    }
    engine.playStream(stream, 0.0, 1.5);
    std::vector<float> buffer(chunkFrames * 2);
    for (int i = 0; i < 10; ++i) {
        stream->decodeAhead(chunkFrames);
        engine.render(buffer.data(), chunkFrames, 0.0);
    }
    EXPECT_DOUBLE_EQ(engine.streamPositionMs(stream), 10.0 * chunkFrames * 1000.0 / rate * 1.5);
}

} // namespace
