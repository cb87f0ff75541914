#include "ToneFile.h"

#include "platform/AudioDecoder.h"
#include "platform/AudioEngine.h"
#include "platform/AudioStream.h"
#include "platform/Mixer.h"
#include "platform/SimulatedClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using platform::AudioDecoder;
using platform::AudioEngine;
using platform::AudioStream;
using soundtest::ToneFormat;
using soundtest::writeLevelFile;

std::vector<float> decodeAll(AudioDecoder& decoder)
{
    std::vector<float> all;
    std::vector<float> chunk(1000 * 2);
    while (const std::size_t got = decoder.read(chunk.data(), 1000))
        all.insert(all.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got * 2));
    return all;
}

TEST(AudioDecoder, ConvertsRatesAndChannelsKeepingTheLevel)
{
    const testsupport::ScratchDir scratch;
    struct Case { int rate; int channels; std::size_t frames; };
    for (const Case c : {Case{44100, 2, 44100}, Case{22050, 1, 44100}, Case{48000, 2, 44100}, Case{8000, 3, 44100}}) {
        ASSERT_TRUE(writeLevelFile("level.wav", 1.0, c.rate, c.channels, 0.5f, ToneFormat::WavFloat));
        auto decoder = AudioDecoder::open("level.wav", 44100);
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->lengthMs(), 1000u);
        std::vector<float> all = decodeAll(*decoder);
        EXPECT_NEAR(static_cast<double>(all.size() / 2), static_cast<double>(c.frames), 6.0) << c.rate;
        EXPECT_TRUE(std::all_of(all.begin(), all.end(), [](float s) { return s == 0.5f; })) << c.rate;
        ASSERT_TRUE(decoder->rewind());
        EXPECT_EQ(decodeAll(*decoder).size(), all.size());
    }
}

// Plays a stream on a mixer by hand, so that the decode side can be held back.
TEST(AudioMixer, UnderrunIsADryRingBeforeTheEndOfTheFile)
{
    const testsupport::ScratchDir scratch;
    ASSERT_TRUE(writeLevelFile("level.wav", 0.1, 44100, 2, 0.5f));
    AudioStream stream(AudioDecoder::open("level.wav", 44100));
    platform::Mixer mixer(4);
    stream.openGate(1);
    mixer.playStream(mixer.freeChannel(), &stream, 1, 0);
    std::vector<float> out(512 * 2);

    EXPECT_TRUE(mixer.mix(out.data(), 512, 1.0f, 0));
    EXPECT_EQ(stream.playState().framesAfter, 0u);
    stream.decodeAhead(44100);
    bool starved = false;
    for (int buffer = 0; buffer < 9; ++buffer)
        starved = mixer.mix(out.data(), 512, 1.0f, 0) || starved;
    EXPECT_FALSE(starved);
    EXPECT_EQ(stream.playState().framesAfter, 4410u);
    EXPECT_TRUE(stream.playState().ended);
    EXPECT_EQ(stream.playState().channel, -1);
    EXPECT_TRUE(mixer.allIdle());
}

class SilentEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.setOutput(AudioEngine::Output::NoSound);
        ASSERT_TRUE(engine.start(44100, 32));
    }

    float peakOfNextBuffer()
    {
        std::vector<float> out(256 * 2);
        engine.render(out.data(), 256);
        float peak = 0.0f;
        for (float s : out)
            peak = std::max(peak, std::abs(s));
        return peak;
    }

    testsupport::ScratchDir scratch;
    platform::SimulatedClock clock{100};
    AudioEngine engine;
};

TEST_F(SilentEngineTest, MasterVolumeScalesAndTheSumIsClipped)
{
    ASSERT_TRUE(writeLevelFile("a.wav", 1.0, 44100, 2, 0.6f, ToneFormat::WavFloat));
    AudioStream* a = engine.openStream("a.wav");
    AudioStream* b = engine.openStream("a.wav");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(engine.playStream(a), 0);
    engine.setMasterVolume(255);
    EXPECT_FLOAT_EQ(peakOfNextBuffer(), 0.6f);
    engine.setMasterVolume(51);
    EXPECT_NEAR(peakOfNextBuffer(), 0.12f, 1e-6);
    engine.setMasterVolume(-1);
    EXPECT_EQ(peakOfNextBuffer(), 0.0f);
    engine.setMasterVolume(1000);
    EXPECT_EQ(engine.masterVolume(), 255);
    EXPECT_EQ(engine.playStream(b), 1);
    EXPECT_EQ(peakOfNextBuffer(), 1.0f);
}

TEST_F(SilentEngineTest, AllChannelsBusy)
{
    ASSERT_TRUE(writeLevelFile("a.wav", 1.0, 44100, 2, 0.1f));
    engine.start(44100, 2);
    AudioStream* streams[] = {engine.openStream("a.wav"), engine.openStream("a.wav"), engine.openStream("a.wav")};
    EXPECT_EQ(engine.playStream(streams[0]), 0);
    EXPECT_EQ(engine.playStream(streams[1]), 1);
    EXPECT_EQ(engine.playStream(streams[2]), -1);
    EXPECT_EQ(engine.streamTimeMs(streams[2]), 0u);
    engine.closeStream(streams[0]);
    EXPECT_EQ(engine.playStream(streams[2]), 0);
}

// Real time under SDL's dummy driver: the clock follows the frames the device
// has taken, a buffer later (what the device holds before it is heard), with
// millisecond steps. It never runs ahead of the frames handed over; while a
// loaded machine holds the device thread back, the device goes on playing
// what it holds, so only most readings stay a buffer behind.
TEST(AudioDeviceClock, FollowsTheDeviceInRealTime)
{
    const testsupport::ScratchDir scratch;
    ASSERT_TRUE(writeLevelFile("song.wav", 3.0, 44100, 2, 0.3f));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    AudioEngine engine;
    ASSERT_TRUE(engine.start(44100, 32));
    ASSERT_FALSE(engine.isSilent());
    AudioStream* song = engine.openStream("song.wav");
    ASSERT_GE(engine.playStream(song), 0);

    const double bufferMs = engine.bufferFrames() * 1000.0 / engine.rate();
    const auto mixedMs = [&] { return engine.streamFramesMixed(song) * 1000.0 / engine.rate(); };
    std::vector<std::uint32_t> readings;
    std::vector<double> readAtMs;
    std::size_t aheadOfTheBuffer = 0;
    const auto begin = std::chrono::steady_clock::now();
    const auto until = begin + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < until) {
        const double mixedBefore = mixedMs();
        const std::uint32_t now = engine.streamTimeMs(song);
        const double mixedAfter = mixedMs();
        ASSERT_LE(now, mixedAfter + 5.0);
        aheadOfTheBuffer += now > std::max(0.0, mixedAfter - bufferMs) + 5.0 ? 1 : 0;
        ASSERT_GE(now, mixedBefore - 2.0 * bufferMs - 5.0);
        readings.push_back(now);
        readAtMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    EXPECT_TRUE(std::is_sorted(readings.begin(), readings.end()));
    EXPECT_GT(readings.back(), 1000u);
    EXPECT_LT(aheadOfTheBuffer * 10, readings.size()) << aheadOfTheBuffer << " of " << readings.size();
    // Millisecond resolution: most steps follow the real time that passed
    // between the two readings. A loaded machine delays the device thread now
    // and then, which stalls the clock and makes the next step bigger, so
    // only a clock that moves in buffer-sized jumps fails here.
    std::size_t bigSteps = 0;
    for (std::size_t i = 1; i < readings.size(); ++i) {
        const double realStep = readAtMs[i] - readAtMs[i - 1];
        bigSteps += readings[i] - readings[i - 1] > realStep + 2.0 ? 1 : 0;
    }
    EXPECT_LT(bigSteps * 4, readings.size()) << bigSteps << " of " << readings.size();
}

} // namespace
