#include "ForgedData.h"
#include "OnsetDetector.h"

#include "core/ConfigFileParser.h"
#include "support/TestSupport.h"
#include "writers/SoundFileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sndfile.h>

using namespace forgetest;

namespace {

class SongSync : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const auto& data = forgedData();
        if (!data.ok)
            return;
        song = forge::SoundFileReader::read(data.first / "Data/Music/coconut.mp3");
        chart = readChart(data.first / "Data/Dwi/Coconut.DWI");
        if (song)
            onsets = findKickOnsets(song->audio);
    }
    static void TearDownTestSuite() { song.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(forgedData().ok) << forgedData().error;
        ASSERT_TRUE(song) << "coconut.mp3 does not decode";
    }

    static double nearestOnsetDistance(double ms)
    {
        const auto after = std::lower_bound(onsets.begin(), onsets.end(), ms);
        double best = 1e9;
        if (after != onsets.end())
            best = *after - ms;
        if (after != onsets.begin())
            best = std::min(best, ms - *std::prev(after));
        return best;
    }

    static inline std::optional<forge::SoundFileReader::Result> song;
    static inline Chart chart;
    static inline std::vector<double> onsets;
};

} // namespace

TEST_F(SongSync, SongIsAStereoMp3OfAboutTwoMinutes)
{
    EXPECT_EQ(song->format & SF_FORMAT_TYPEMASK, SF_FORMAT_MPEG);
    EXPECT_EQ(song->audio.channels, 2);
    EXPECT_EQ(song->audio.sampleRate, 44100);
    const double seconds = static_cast<double>(song->audio.frames()) / 44100.0;
    EXPECT_GT(seconds, 100.0);
    EXPECT_LT(seconds, 150.0);
    // A clean ending: the last 50 ms are silent.
    float tail = 0.0f;
    for (std::size_t i = song->audio.samples.size() - 4410; i < song->audio.samples.size(); ++i)
        tail = std::max(tail, std::fabs(song->audio.samples[i]));
    EXPECT_LT(tail, 0.01f);
}

TEST_F(SongSync, EveryChartStepLandsOnAKickWithinFiveMilliseconds)
{
    const double bpm = chart.bpm;
    const int gap = chart.gap;
    ASSERT_DOUBLE_EQ(bpm, 128.0);
    ASSERT_FALSE(chart.beginnerNotes.empty());
    const double halfBeat = 30000.0 / bpm;

    std::size_t lastStep = 0;
    for (std::size_t i = 0; i < chart.beginnerNotes.size(); ++i) {
        if (chart.beginnerNotes[i] == '0')
            continue;
        lastStep = i;
        const double ms = gap + static_cast<double>(i) * halfBeat;
        EXPECT_LE(nearestOnsetDistance(ms), 5.0) << "step " << i << " at " << ms << " ms";
    }
    // The kick is steady over the whole chart, not only under the steps.
    for (std::size_t i = 0; i <= lastStep; i += 2) {
        const double ms = gap + static_cast<double>(i) * halfBeat;
        EXPECT_LE(nearestOnsetDistance(ms), 5.0) << "beat " << i / 2 << " at " << ms << " ms";
    }
    const double songMs = static_cast<double>(song->audio.frames()) * 1000.0 / 44100.0;
    EXPECT_LT(gap + static_cast<double>(lastStep) * halfBeat, songMs - 1000.0);
}

TEST_F(SongSync, BeatZeroIsTheFirstKickAndTheIntroHasNone)
{
    ASSERT_FALSE(onsets.empty());
    const int gap = chart.gap;
    EXPECT_NEAR(onsets.front(), gap, 5.0);
    // No onset falls between the beats either: nothing else reads as a kick.
    const double beat = 60000.0 / 128.0;
    for (const double onset : onsets) {
        const double beats = (onset - gap) / beat;
        EXPECT_NEAR(beats, std::round(beats), 5.0 / beat) << "stray onset at " << onset << " ms";
    }
}

TEST_F(SongSync, GapLeavesTheFirstArrowsTimeToRise)
{
    ForgedConfig forged;
    const ConfigFileParser& config = forged.parser();
    ASSERT_TRUE(config.isParsed());
    const double travelBeats = ConfigFileParser::toFloat(config.getValue("Goalposy", "General"))
                               - ConfigFileParser::toFloat(config.getValue("Spawnposy", "General"));
    const double travelMs = travelBeats * 60000.0 / chart.bpm;
    EXPECT_GE(chart.gap, travelMs + 1000.0);
}
