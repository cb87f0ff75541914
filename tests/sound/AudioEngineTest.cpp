#include "ToneFile.h"

#include "platform/AudioCommandQueue.h"
#include "platform/AudioDecoder.h"
#include "platform/AudioEngine.h"
#include "platform/AudioStream.h"
#include "platform/Mixer.h"
#include "platform/SimulatedClock.h"
#include "support/TestSupport.h"
#include "writers/WavWriter.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

namespace {

using platform::AudioCommand;
using platform::AudioCommandQueue;
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
    for (const auto& [rate, channels] : {std::pair{44100, 2}, {22050, 1}, {48000, 2}, {8000, 3}}) {
        ASSERT_TRUE(writeLevelFile("level.wav", 1.0, rate, channels, 0.5f, ToneFormat::WavFloat));
        auto decoder = AudioDecoder::open("level.wav", 44100);
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->lengthMs(), 1000u);
        std::vector<float> all = decodeAll(*decoder);
        EXPECT_NEAR(static_cast<double>(all.size() / 2), 44100.0, 6.0) << rate;
        EXPECT_TRUE(std::all_of(all.begin(), all.end(), [](float s) { return s == 0.5f; })) << rate;
        ASSERT_TRUE(decoder->rewind());
        EXPECT_EQ(decodeAll(*decoder).size(), all.size());
    }
}

// Upsampled, each output frame between two source frames lies on the line
// between them, from the first source frame on.
TEST(AudioDecoder, InterpolatesBetweenSourceFramesFromTheFirstOn)
{
    const testsupport::ScratchDir scratch;
    std::vector<float> zigzag(800);
    for (std::size_t i = 0; i < zigzag.size(); ++i)
        zigzag[i] = i % 2 == 0 ? 0.0f : 0.75f;
    forge::WavWriter::write("zigzag.wav", {8000, 1, zigzag});
    auto decoder = AudioDecoder::open("zigzag.wav", 16000);
    ASSERT_TRUE(decoder);
    const std::vector<float> all = decodeAll(*decoder);
    ASSERT_GE(all.size(), 2u * 40);
    for (std::size_t frame = 0; frame < 40; ++frame) {
        const float expected = frame % 2 == 0 ? zigzag[frame / 2] : 0.375f;
        EXPECT_NEAR(all[frame * 2], expected, 1e-3f) << "frame " << frame;
        EXPECT_EQ(all[frame * 2 + 1], all[frame * 2]) << "frame " << frame;
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
    EXPECT_EQ(mixer.lastEndedPlay(0), 1u) << "the first channel's ended play";
    EXPECT_EQ(mixer.lastEndedPlay(4), 0u);
}

// Without a device: the master volume scales the clipped sum of the channels,
// and with every channel busy a play is refused until one is closed.
TEST(SilentEngine, MasterVolumeScalesTheClippedSumAndBusyChannelsRefuse)
{
    const testsupport::ScratchDir scratch;
    const platform::SimulatedClock clock{100};
    AudioEngine engine;
    engine.setOutput(AudioEngine::Output::NoSound);
    ASSERT_TRUE(engine.start(44100, 2));
    ASSERT_TRUE(writeLevelFile("a.wav", 1.0, 44100, 2, 0.6f, ToneFormat::WavFloat));
    AudioStream* streams[] = {engine.openStream("a.wav"), engine.openStream("a.wav"), engine.openStream("a.wav")};
    ASSERT_TRUE(streams[0] && streams[1] && streams[2]);
    const auto peakOfNextBuffer = [&engine] {
        std::vector<float> out(256 * 2);
        engine.render(out.data(), 256, 0.0);
        return std::abs(*std::max_element(out.begin(), out.end(), [](float a, float b) { return std::abs(a) < std::abs(b); }));
    };
    EXPECT_EQ(engine.playStream(streams[0]), 0);
    engine.setMasterVolume(255);
    EXPECT_FLOAT_EQ(peakOfNextBuffer(), 0.6f);
    engine.setMasterVolume(51);
    EXPECT_NEAR(peakOfNextBuffer(), 0.12f, 1e-6);
    engine.setMasterVolume(-1);
    EXPECT_EQ(peakOfNextBuffer(), 0.0f);
    engine.setMasterVolume(1000);
    EXPECT_EQ(engine.masterVolume(), 255);
    EXPECT_EQ(engine.playStream(streams[1]), 1);
    EXPECT_EQ(peakOfNextBuffer(), 1.0f);
    EXPECT_EQ(engine.playStream(streams[2]), -1);
    EXPECT_EQ(engine.streamTimeMs(streams[2]), 0u);
    engine.closeStream(streams[0]);
    EXPECT_EQ(engine.playSample(nullptr), -1) << "no sample takes the free channel";
    EXPECT_EQ(engine.playStream(streams[2]), 0);
}

// A full queue refuses: one that overwrote would lose commands here.
TEST(AudioCommandQueue, AProducerAndAConsumerThreadSeeEveryCommandOnceInOrder)
{
    AudioCommandQueue queue(8);
    constexpr std::uint32_t count = 100000;
    std::thread producer([&] {
        for (std::uint32_t id = 1; id <= count; ++id)
            while (!queue.push(AudioCommand{.playId = id}))
                std::this_thread::yield();
    });
    std::uint32_t expected = 1;
    AudioCommand out;
    while (expected <= count) {
        if (!queue.pop(out)) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(out.playId, expected);
        ++expected;
    }
    producer.join();
    EXPECT_FALSE(queue.pop(out));
}

// An engine on SDL's dummy driver, in real time, with a song opened.
class DeviceEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(writeLevelFile("song.wav", 3.0, 44100, 2, 0.3f));
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(engine.start(44100, 4));
        ASSERT_FALSE(engine.isSilent());
        song = engine.openStream("song.wav");
        ASSERT_TRUE(song);
    }

    const testsupport::ScratchDir scratch;
    AudioEngine engine;
    AudioStream* song = nullptr;
};

// Real time under SDL's dummy driver: the clock follows the frames the device
// has taken, a buffer later (what the device holds before it is heard), with
// millisecond steps. Between two hand-overs it lags the frames handed over by
// one to two buffers. A loaded machine holds the device thread back now and
// then, and the smoothed clock meets the burst that follows some milliseconds
// off, so the typical (median) lag is checked, not every reading's.
TEST_F(DeviceEngineTest, ClockFollowsTheDeviceInRealTime)
{
    ASSERT_GE(engine.playStream(song), 0);

    const double bufferMs = engine.bufferFrames() * 1000.0 / engine.rate();
    const auto mixedMs = [&] { return engine.streamFramesMixed(song) * 1000.0 / engine.rate(); };
    std::vector<std::uint32_t> readings;
    std::vector<double> readAtMs, lags;
    const auto begin = std::chrono::steady_clock::now();
    const auto until = begin + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < until) {
        const std::uint32_t now = engine.streamTimeMs(song);
        lags.push_back(mixedMs() - now);
        readings.push_back(now);
        readAtMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    EXPECT_TRUE(std::is_sorted(readings.begin(), readings.end()));
    EXPECT_GT(readings.back(), 1000u);
    std::nth_element(lags.begin(), lags.begin() + static_cast<std::ptrdiff_t>(lags.size() / 2), lags.end());
    const double medianLag = lags[lags.size() / 2];
    EXPECT_GT(medianLag, bufferMs) << "buffer " << bufferMs << " ms";
    EXPECT_LT(medianLag, 2.0 * bufferMs + 5.0) << "buffer " << bufferMs << " ms";
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

// The game thread never takes the device's lock, which SDL's audio thread
// holds while our callback runs: with the callback held inside that lock,
// every game operation still returns. Once released, the callback takes the
// queued plays in order and the stream's clock moves on. The only waits are
// hang guards that a working engine never comes near.
TEST_F(DeviceEngineTest, GameSideNeverWaitsForTheCallbacksLock)
{
    ASSERT_TRUE(writeLevelFile("blip.wav", 0.05, 44100, 2, 0.3f));
    platform::AudioSample* blip = engine.loadSample("blip.wav");
    ASSERT_TRUE(blip);

    SDL_AudioDeviceID device = 0;
    for (SDL_AudioDeviceID id = 1; id < 16 && !device; ++id)
        if (SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING)
            device = id;
    ASSERT_NE(device, 0u);
    SDL_LockAudioDevice(device);
    const std::uint64_t rendersBefore = engine.renderTiming().count;
    auto game = std::async(std::launch::async, [&] {
        int channels[6] = {engine.playStream(song), engine.playSample(blip), engine.playStream(song),
                           engine.playSample(blip), engine.playSample(blip), engine.playSample(blip)};
        engine.setMasterVolume(100);
        const std::uint32_t clock = engine.streamTimeMs(song);
        engine.freeSample(blip);
        return std::make_pair(std::vector<int>(channels, channels + 6), clock);
    });
    const bool returned = game.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    const std::uint64_t rendersWhileHeld = engine.renderTiming().count - rendersBefore;
    SDL_UnlockAudioDevice(device);
    ASSERT_TRUE(returned) << "a game operation waited for the device lock";
    const auto [channels, clock] = game.get();
    // The restart keeps the song's channel; samples take the free ones, and
    // with all four claimed the last one is refused.
    EXPECT_EQ(channels, (std::vector<int>{0, 1, 0, 2, 3, -1}));
    EXPECT_EQ(clock, 0u);
    EXPECT_EQ(rendersWhileHeld, 0u);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (engine.streamFramesMixed(song) < 4410 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_GE(engine.streamFramesMixed(song), 4410u);
    EXPECT_GT(engine.streamTimeMs(song), 0u);
}

// While the game thread keeps restarting the stream and reading its clock
// without pause, the callback keeps filling buffers: nothing it needs is held
// by the game thread.
TEST_F(DeviceEngineTest, CallbackKeepsGoingWhileTheGameThreadIsBusy)
{
    ASSERT_GE(engine.playStream(song), 0);

    std::atomic<bool> stop{false};
    std::thread busyGame([&] {
        while (!stop.load()) {
            EXPECT_EQ(engine.playStream(song), 0);
            for (int read = 0; read < 50; ++read)
                engine.streamTimeMs(song);
        }
    });
    const std::uint64_t start = engine.framesHanded();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (engine.framesHanded() < start + 20 * 512u && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    stop.store(true);
    busyGame.join();
    EXPECT_GE(engine.framesHanded(), start + 20 * 512u);
}

constexpr int toneRate = 44100;
constexpr std::size_t chunkFrames = 1024;

// Plays the whole stream through the silent engine by hand, decoding just
// before each buffer as its pump does; the left channel of what was mixed.
std::vector<float> renderLeft(AudioEngine& engine, AudioStream* stream, double tempo)
{
    std::vector<float> left;
    std::vector<float> buffer(chunkFrames * 2);
    engine.playStream(stream, 0.0, tempo);
    while (engine.streamPositionMs(stream) < stream->lengthMs() && left.size() < 40u * toneRate) {
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
    return static_cast<double>(crossings.size() - 1) * toneRate / (crossings.back() - crossings.front());
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
        ASSERT_TRUE(engine.start(toneRate, 4));
    }
    const testsupport::ScratchDir scratch;
    const platform::SimulatedClock clock{100};
    AudioEngine engine;
};

TEST_F(StretchTest, ToneKeepsItsPitchWhileTheSongTakesItsTimeOverTheRate)
{
    ASSERT_TRUE(soundtest::writeToneFile("tone.wav", 3.0, toneRate, 440.0));
    AudioStream* stream = engine.openStream("tone.wav");
    ASSERT_TRUE(stream);
    for (const double tempo : {0.5, 1.5, 2.0}) {
        const std::vector<float> heard = renderLeft(engine, stream, tempo);
        const double playedMs = static_cast<double>(heard.size()) * 1000.0 / toneRate;
        EXPECT_NEAR(playedMs, 3000.0 / tempo, 3000.0 / tempo * 0.02 + chunkFrames * 1000.0 / toneRate) << tempo;
        const std::size_t margin = toneRate / 4;
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
    ASSERT_TRUE(soundtest::writeToneFile("bursts.wav", 12.0, toneRate, 440.0, every, 0.15));
    AudioStream* stream = engine.openStream("bursts.wav");
    ASSERT_TRUE(stream);
    for (const double tempo : {0.5, 0.75, 1.0, 1.5, 2.0}) {
        const std::vector<float> heard = renderLeft(engine, stream, tempo);
        double sum = 0.0;
        int bursts = 0;
        for (double burstSeconds = every; burstSeconds < 11.5; burstSeconds += every, ++bursts) {
            const auto from = static_cast<std::size_t>((burstSeconds / tempo - 0.1) * toneRate);
            ASSERT_LT(from, heard.size()) << tempo;
            const std::size_t onset = from + firstSounding(std::vector<float>(heard.begin() + from, heard.end()));
            const double errorMs = static_cast<double>(onset) * 1000.0 / toneRate * tempo - burstSeconds * 1000.0;
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
    EXPECT_DOUBLE_EQ(engine.streamPositionMs(stream), 10.0 * chunkFrames * 1000.0 / toneRate * 1.5);
}

} // namespace
