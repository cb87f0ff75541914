#include "ToneFile.h"

#include "platform/AudioCommandQueue.h"
#include "platform/AudioEngine.h"
#include "platform/AudioStream.h"
#include "support/TestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

namespace {

using platform::AudioCommand;
using platform::AudioCommandQueue;
using platform::AudioEngine;

AudioCommand numbered(std::uint32_t id)
{
    AudioCommand command;
    command.playId = id;
    return command;
}

TEST(AudioCommandQueue, KeepsOrderAcrossTheWrapAndRefusesWhenFull)
{
    AudioCommandQueue queue(3);
    AudioCommand out;
    EXPECT_FALSE(queue.pop(out));
    std::uint32_t pushed = 0;
    std::uint32_t expected = 0;
    // Fill to the brim several times, so the slots wrap at every position.
    for (int round = 0; round < 4; ++round) {
        while (queue.push(numbered(++pushed))) {
        }
        --pushed;
        EXPECT_EQ(queue.size(), 3u);
        // The refused command left the queued ones untouched.
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(queue.pop(out));
            EXPECT_EQ(out.playId, ++expected);
        }
    }
    while (queue.pop(out))
        EXPECT_EQ(out.playId, ++expected);
    EXPECT_EQ(expected, pushed);
    EXPECT_EQ(queue.size(), 0u);
}

TEST(AudioCommandQueue, AProducerAndAConsumerThreadSeeEveryCommandOnceInOrder)
{
    AudioCommandQueue queue(8);
    constexpr std::uint32_t count = 100000;
    std::thread producer([&] {
        for (std::uint32_t id = 1; id <= count; ++id)
            while (!queue.push(numbered(id)))
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

// The game thread never takes the device's lock, which SDL's audio thread
// holds while our callback runs: with the callback held inside that lock,
// every game operation still returns. Once released, the callback takes the
// queued plays in order and the stream's clock moves on. The only waits are
// hang guards that a working engine never comes near.
TEST(AudioHandOver, GameSideNeverWaitsForTheCallbacksLock)
{
    const testsupport::ScratchDir scratch;
    ASSERT_TRUE(soundtest::writeLevelFile("song.wav", 2.0, 44100, 2, 0.3f));
    ASSERT_TRUE(soundtest::writeLevelFile("blip.wav", 0.05, 44100, 2, 0.3f));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    AudioEngine engine;
    ASSERT_TRUE(engine.start(44100, 4));
    ASSERT_FALSE(engine.isSilent());
    platform::AudioStream* song = engine.openStream("song.wav");
    platform::AudioSample* blip = engine.loadSample("blip.wav");
    ASSERT_TRUE(song && blip);

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
TEST(AudioHandOver, CallbackKeepsGoingWhileTheGameThreadIsBusy)
{
    const testsupport::ScratchDir scratch;
    ASSERT_TRUE(soundtest::writeLevelFile("song.wav", 2.0, 44100, 2, 0.3f));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    AudioEngine engine;
    ASSERT_TRUE(engine.start(44100, 4));
    ASSERT_FALSE(engine.isSilent());
    platform::AudioStream* song = engine.openStream("song.wav");
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

} // namespace
