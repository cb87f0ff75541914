#include "ToneFile.h"

#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "platform/AudioEngine.h"
#include "platform/Dialog.h"
#include "platform/SimulatedClock.h"
#include "sound/Sound.h"
#include "sound/SoundManager.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using soundtest::ToneFormat;
using soundtest::writeLevelFile;

class SoundManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OutputHandler::instance()->open("output.log");
        platform::Dialog::setCapture([this](const std::string&, const std::string& text) { boxes.push_back(text); });
    }

    void TearDown() override
    {
        platform::Dialog::clearCapture();
        OutputHandler::instance()->close();
        ObjectRegistry::destroy();
    }

    SoundManager* start(const std::string& soundSection = "[Sound]\nMasterVolume = 255\nGlobalOffset = 0\n",
                        platform::AudioEngine::Output output = platform::AudioEngine::Output::NoSound, int rate = 44100,
                        int channels = 32)
    {
        scratch.write("Conf/global.cfg", soundSection);
        (new ConfigFileParser())->parse("Conf/global.cfg");
        SoundManager* manager = SoundManager::instance();
        manager->getEngine().setOutput(output);
        manager->init(rate, channels, 0);
        return manager;
    }
    // Ends the test's game and starts a fresh one in the same folder.
    void restart()
    {
        TearDown();
        SetUp();
    }

    std::string log() const { return testsupport::readFile(scratch.path() / "output.log"); }
    bool logHas(const std::string& line) const { return log().find(line + " \n") != std::string::npos; }

    testsupport::ScratchDir scratch;
    platform::SimulatedClock clock{5000};
    std::vector<std::string> boxes;
};

TEST_F(SoundManagerTest, GlobalOffsetReadsAsMillisecondsOrZeroWithAWarning)
{
    ASSERT_TRUE(writeLevelFile("song.wav", 1.0, 44100, 2, 0.25f));
    const std::pair<const char*, double> cases[] = {{"GlobalOffset = 40\n", 40.0}, {"GlobalOffset = -12.5\n", -12.5},
        {"GlobalOffset = 40ms\n", 0.0}, {"GlobalOffset = \n", 0.0}, {"GlobalOffset = 1e9\n", 0.0},
        {"GlobalOffset = nan\n", 0.0}, {"", 0.0}};
    for (const auto& [line, expected] : cases) {
        SoundManager* manager = start(std::string("[Sound]\nMasterVolume = 9\n") + line);
        EXPECT_EQ(manager->getGlobalOffset(), expected) << line;
        EXPECT_EQ(log().find("WARNING: SoundManager: ") != std::string::npos, expected == 0.0) << line;
        manager->addSound("song.wav", "Song");
        EXPECT_EQ(manager->getSongTime("Song"), -expected) << "before it plays, the offset alone";
        restart();
    }
}

// A music rate outside 0.5..2.0 or between the steps is set to the nearest
// one with a warning; what is not a number plays at 1.
TEST_F(SoundManagerTest, MusicRateIsClampedToItsStepsWithALine)
{
    const std::pair<double, double> cases[] = {{1.5, 1.5}, {3.0, 2.0}, {0.1, 0.5}, {1.23, 1.25}, {0.97, 0.95},
        {std::nan(""), 1.0}};
    for (const auto& [asked, kept] : cases) {
        SoundManager* manager = start();
        manager->setMusicRate(asked);
        EXPECT_EQ(manager->getMusicRate(), kept) << asked;
        EXPECT_EQ(log().find("not one of 0.5 to 2.0") != std::string::npos, asked != kept) << asked;
        restart();
    }
}

// The stream clock follows simulated time in millisecond steps and holds at
// the end; play restarts a playing or ended stream on its channel, and a tick
// source that goes back holds the clock, which then runs on from there.
TEST_F(SoundManagerTest, SongClockInSimulatedTimeAndPlayRestarts)
{
    ASSERT_TRUE(writeLevelFile("Data/Music/coconut.mp3", 2.0, 44100, 2, 0.25f, ToneFormat::Mp3));
    ASSERT_TRUE(writeLevelFile("Data/Sound/godlike.wav", 1.0, 22050, 1, 0.5f));
    SoundManager* manager = start();
    manager->addSound("Data/Music/coconut.mp3", "Coconut");
    manager->addSound("Data/Sound/godlike.wav", "Godlike");
    EXPECT_TRUE(logHas("Sound: Loading Sound Stream Data/Music/coconut.mp3"));
    const std::uint32_t length = manager->getStreamLength("Coconut");
    EXPECT_NEAR(length, 2000, 60);
    EXPECT_EQ(manager->getStreamLength("Godlike"), 1000u);

    clock.advance(400);
    EXPECT_EQ(manager->getStreamTime("Coconut"), 0u);
    EXPECT_TRUE(manager->play("Coconut"));
    EXPECT_EQ(manager->getStreamTime("Coconut"), 0u);
    for (std::uint32_t elapsed = 17; elapsed < length; elapsed += 17) {
        clock.advance(17);
        ASSERT_EQ(manager->getStreamTime("Coconut"), elapsed);
    }
    clock.advance(17);
    EXPECT_EQ(manager->getStreamTime("Coconut"), length);
    clock.advance(60000);
    EXPECT_EQ(manager->getStreamTime("Coconut"), length);

    manager->play("Godlike");
    const int channel = manager->find("Godlike")->getChannel();
    EXPECT_GE(channel, 0);
    const std::pair<std::uint32_t, std::uint32_t> steps[] = {{700, 700}, {0, 0}, {300, 300}, {2000, 1000}, {0, 0}, {10, 10}};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto [advance, heard] = steps[i];
        if (advance == 0)
            manager->play("Godlike");
        clock.advance(advance);
        EXPECT_EQ(manager->getStreamTime("Godlike"), heard) << "step " << i;
        EXPECT_EQ(manager->find("Godlike")->getChannel(), channel) << "step " << i;
    }
    clock.set(clock.now() - 5);
    EXPECT_EQ(manager->getStreamTime("Godlike"), 10u);
    clock.advance(25);
    EXPECT_EQ(manager->getStreamTime("Godlike"), 35u);
    EXPECT_EQ(manager->getUnderrunCount(), 0u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SoundManagerTest, UnreadableFilesAndUnknownNamesAreReportedAndStaySilent)
{
    scratch.write("Data/Sound/garbage.wav", std::string(3000, 'x'));
    scratch.write("Data/Sound/truncated.wav", "RIFF\x24\x00\x00\x00WAVEfmt ");
    SoundManager* manager = start();
    for (const char* path : {"Data/Music/missing.mp3", "Data/Sound/garbage.wav", "Data/Sound/truncated.wav"}) {
        EXPECT_TRUE(manager->addSound(path, path));
        EXPECT_TRUE(logHas(std::string("ERROR: The Stream could not be opened: ") + path));
        EXPECT_TRUE(manager->play(path));
        clock.advance(100);
        EXPECT_EQ(manager->getStreamTime(path), 0u);
        EXPECT_EQ(manager->getStreamLength(path), 0u);
        EXPECT_EQ(manager->find(path)->getType(), Sound::Stream);
    }
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], "The Stream could not be opened: Data/Music/missing.mp3");
    EXPECT_FALSE(manager->find("Data/Music/missing.mp3")->loadStream("Data/Music/missing.mp3"));
    EXPECT_EQ(log().find("WARNING"), std::string::npos);

    // Unknown names warn and read zero.
    EXPECT_FALSE(manager->play("Nope"));
    EXPECT_EQ(manager->getStreamTime("Nope"), 0u);
    EXPECT_EQ(manager->getStreamLength("Nope"), 0u);
    for (const char* warning : {"Could not find the sound 'Nope'!", "Could not get the time of the stream 'Nope'.",
                                "Could not get the length of the stream 'Nope'."})
        EXPECT_TRUE(logHas(std::string("WARNING: SoundManager: ") + warning)) << warning;
}

// Init logs its steps and clamps the volume; a name finds its first sound,
// and removing a name takes all of its sounds and no other.
TEST_F(SoundManagerTest, InitClampsTheVolumeAndSoundsAreFoundAndRemovedByName)
{
    ASSERT_TRUE(writeLevelFile("Data/a.wav", 0.5, 44100, 2, 0.5f));
    ASSERT_TRUE(writeLevelFile("Data/b.wav", 0.25, 44100, 2, 0.5f));
    SoundManager* manager = start("[Sound]\nMasterVolume = 300\nGlobalOffset = 0\n");
    EXPECT_TRUE(logHas("Initializing SoundManager... \n... checking FMOD Version \n... initializing FMOD"));
    EXPECT_TRUE(logHas("SoundManager: Setting the Volume to 255..."));
    manager->setVolume(-5);
    EXPECT_TRUE(logHas("SoundManager: Setting the Volume to 0..."));
    EXPECT_EQ(manager->getEngine().masterVolume(), 0);
    manager->addSound("Data/a.wav", "Twice");
    manager->addSound("Data/b.wav", "Twice");
    EXPECT_EQ(manager->getStreamLength("Twice"), 500u);
    manager->addSound("Data/b.wav", "Other");
    manager->remove("Twice");
    EXPECT_TRUE(manager->find("Twice") == nullptr && manager->find("Other") != nullptr) << "only the named go";

    Sound* sample = new Sound(manager->getEngine(), "Effect");
    EXPECT_TRUE(sample->loadSample("Data/b.wav"));
    EXPECT_TRUE(logHas("Sound: Loading Sound Sample Data/b.wav"));
    EXPECT_EQ(sample->getType(), Sound::Sample);
    EXPECT_TRUE(sample->play());
    EXPECT_GE(sample->getChannel(), 0);
    EXPECT_FALSE(sample->loadSample("Data/none.wav"));
    EXPECT_TRUE(logHas("ERROR: The following Sound Sample could not be loaded: Data/none.wav"));
    EXPECT_EQ(boxes, std::vector<std::string>{"The following Sound Sample could not be loaded: Data/none.wav"});
    delete sample;
}

// No device, or unusable init arguments: one box, and the game runs on a
// silent output whose song clock still runs. Without a volume key it is mute.
TEST_F(SoundManagerTest, NoDeviceOrUnusableArgumentsFallBackToASilentOutputWithARunningClock)
{
    struct Case { const char* driver; const char* section; int rate; int channels; int volume; };
    // The disk driver starts, but cannot open its file for the device.
    setenv("SDL_DISKAUDIOFILE", "/flarevox-no-such-folder/out.raw", 1);
    const Case cases[] = {{"flarevox-no-such-driver", "[Sound]\nMasterVolume = 200\n", 44100, 32, 200},
        {"disk", "[Sound]\nMasterVolume = 50\n", 44100, 32, 50}, {"dummy", "[Sound]\nOther = 1\n", 0, -3, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section);
        boxes.clear();
        setenv("SDL_AUDIODRIVER", c.driver, 1);
        SoundManager* manager = start(c.section, platform::AudioEngine::Output::Device, c.rate, c.channels);
        EXPECT_TRUE(manager->getEngine().isSilent());
        EXPECT_EQ(manager->getEngine().rate(), 44100);
        EXPECT_EQ(manager->getEngine().masterVolume(), c.volume);
        EXPECT_EQ(boxes, std::vector<std::string>{"FMOD could not be initialized!"});
        EXPECT_TRUE(logHas("ERROR: FMOD could not be initialized!"));
        ASSERT_TRUE(writeLevelFile("Data/Music/coconut.mp3", 1.0, 44100, 2, 0.25f, ToneFormat::Mp3));
        manager->addSound("Data/Music/coconut.mp3", "Coconut");
        manager->play("Coconut");
        clock.advance(250);
        EXPECT_EQ(manager->getStreamTime("Coconut"), 250u);
        restart();
    }
}

} // namespace
