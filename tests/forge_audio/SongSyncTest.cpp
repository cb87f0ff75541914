#include "ForgedData.h"

#include "chart/SongFolder.h"
#include "library/SongLibrary.h"
#include "platform/SoundFileHeader.h"
#include "writers/SoundFileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <sndfile.h>

using namespace forgetest;

// The songs the forge writes into Songs/Flarevox/: complete charts whose every
// note, and every beat in between, falls on a kick of the decoded music, with
// the tempo changes and stops heard in it.

namespace {

struct ForgedSong {
    const char* folder;
    const char* music;
    bool changesTempo;
    bool stops;
};

constexpr double toleranceMs = 5.0;

class LibrarySongSync : public testing::TestWithParam<ForgedSong> {};

} // namespace

TEST_P(LibrarySongSync, FourChartsOnTheKicksOfTheMusic)
{
    ASSERT_TRUE(forgedData().ok) << forgedData().error;
    const ForgedSong& forged = GetParam();
    const chart::ReadResult read = chart::SongFolder::load(forgedData().root / "Songs/Flarevox" / forged.folder);
    ASSERT_TRUE(read.ok()) << read.error;
    const chart::Song& song = read.song;
    EXPECT_EQ(song.musicPath.filename(), forged.music);

    ASSERT_EQ(song.charts.size(), 4u);
    const char* difficulties[] = {"Beginner", "Medium", "Hard", "Challenge"};
    for (std::size_t i = 0; i < song.charts.size(); ++i) {
        const chart::Chart& chart = song.charts[i];
        SCOPED_TRACE(chart.difficulty);
        EXPECT_EQ(chart.stepsType, "dance-single");
        EXPECT_EQ(chart.difficulty, difficulties[i]);
        EXPECT_GT(chart.meter, i > 0 ? song.charts[i - 1].meter : 0);
        const auto has = [&](chart::NoteKind kind) {
            return std::ranges::any_of(chart.notes, [&](const chart::Note& n) { return n.kind == kind; });
        };
        EXPECT_EQ(has(chart::NoteKind::Hold), i == 1 || i == 2);
        EXPECT_EQ(has(chart::NoteKind::Mine), i == 3);
    }
    const chart::TempoMap& tempo = song.charts.front().tempo;
    EXPECT_EQ(tempo.bpmChanges().size() > 1, forged.changesTempo);
    EXPECT_EQ(!tempo.stops().empty(), forged.stops);

    const auto audio = forge::SoundFileReader::read(song.musicPath);
    ASSERT_TRUE(audio) << song.musicPath << " does not decode";
    EXPECT_EQ(audio->format & (SF_FORMAT_TYPEMASK | SF_FORMAT_SUBMASK), SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    const double seconds = static_cast<double>(audio->audio.frames()) / audio->audio.sampleRate;
    EXPECT_TRUE(seconds > 55.0 && seconds < 95.0) << seconds;
    // The library's length, read from the pages without decoding, is the decoded length.
    std::string error;
    const auto header = platform::SoundFileHeader::read(song.musicPath, error);
    ASSERT_TRUE(header) << error;
    EXPECT_EQ(header->frames, static_cast<std::int64_t>(audio->audio.frames()));
    EXPECT_EQ(header->sampleRate, audio->audio.sampleRate);

    const std::vector<double> onsets = findKickOnsets(audio->audio);
    double lastBeat = 0.0;
    for (const chart::Chart& chart : song.charts)
        for (const chart::Note& note : chart.notes) {
            const double ms = chart.tempo.msAt(note.beat.value());
            EXPECT_LE(nearestDistance(onsets, ms), toleranceMs)
                << chart.difficulty << " note at beat " << note.beat.value() << ", " << ms << " ms";
            lastBeat = std::max(lastBeat, note.beat.value());
        }
    // The kick goes on through changes and stops, and nothing else reads as one:
    // every onset is on a half beat, none inside a stop.
    for (double beat = 0.0; beat <= lastBeat; beat += 1.0)
        EXPECT_LE(nearestDistance(onsets, tempo.msAt(beat)), toleranceMs) << "beat " << beat;
    for (const double onset : onsets) {
        const double halfBeats = tempo.beatAt(onset) * 2.0;
        const double halfBeatMs = 30000.0 / tempo.bpmAt(tempo.beatAt(onset));
        EXPECT_NEAR(halfBeats, std::round(halfBeats), toleranceMs / halfBeatMs) << "stray onset at " << onset << " ms";
    }
    for (const chart::TempoStop& stop : tempo.stops()) {
        const double start = tempo.msAt(stop.beat);
        EXPECT_FALSE(std::ranges::any_of(onsets, [&](double onset) { return onset > start + 20.0 && onset < start + stop.seconds * 1000.0; }))
            << "an onset inside the stop at beat " << stop.beat;
    }
}

INSTANTIATE_TEST_SUITE_P(Forged, LibrarySongSync,
                         testing::Values(ForgedSong{"Daybreak", "daybreak.ogg", false, false},
                                         ForgedSong{"Neon Drift", "neon-drift.ogg", false, true},
                                         ForgedSong{"Gearshift", "gearshift.ogg", true, false}),
                         [](const testing::TestParamInfo<ForgedSong>& info) {
                             std::string name = info.param.folder;
                             std::erase(name, ' ');
                             return name;
                         });

// The main song and its chart: every step, and every beat in between, on a
// kick of the decoded music, and nothing else heard as one.
TEST(SongSync, CoconutStepsLandOnTheKicksOfItsMusic)
{
    ASSERT_TRUE(forgedData().ok) << forgedData().error;
    const auto song = forge::SoundFileReader::read(forgedData().root / "Data/Music/coconut.mp3");
    ASSERT_TRUE(song) << "coconut.mp3 does not decode";
    const forge::PcmAudio& audio = song->audio;
    EXPECT_EQ(std::tuple(song->format & SF_FORMAT_TYPEMASK, audio.channels, audio.sampleRate),
              std::tuple(SF_FORMAT_MPEG, 2, 44100)) << "MPEG, stereo, 44.1 kHz";
    const double songMs = static_cast<double>(audio.frames()) * 1000.0 / 44100.0;
    EXPECT_TRUE(songMs > 100000.0 && songMs < 150000.0) << songMs;
    EXPECT_LT(peakOf(audio.samples, audio.samples.size() - 4410), 0.01f) << "the last 50 ms are silent";

    const Chart chart = readChart(forgedData().root / "Data/Dwi/Coconut.DWI");
    const std::string& notes = chart.beginnerNotes;
    ASSERT_DOUBLE_EQ(chart.bpm, 128.0);
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.find_first_not_of("012346789AB"), std::string::npos);
    // The first beat has a step, single steps outnumber jumps, beginners step on beats only.
    EXPECT_NE(notes[0], '0');
    const auto count = [&](const std::string& arrows) {
        return std::ranges::count_if(notes, [&](char c) { return arrows.find(c) != std::string::npos; });
    };
    EXPECT_GT(count("137AB"), 0);
    EXPECT_GT(count("2468"), 10 * count("137AB"));
    const std::size_t lastStep = notes.find_last_not_of('0');
    const double beatMs = 60000.0 / chart.bpm;
    const auto msAtHalfBeat = [&](std::size_t i) { return chart.gap + static_cast<double>(i) * beatMs / 2.0; };
    const std::vector<double> onsets = findKickOnsets(audio);
    ASSERT_FALSE(onsets.empty());
    EXPECT_NEAR(onsets.front(), chart.gap, 5.0) << "beat zero is the first kick";
    for (std::size_t i = 0; i <= lastStep; i += 2) {
        EXPECT_TRUE(i + 1 == notes.size() || notes[i + 1] == '0') << "half-beat step at " << i + 1;
        EXPECT_LE(nearestDistance(onsets, msAtHalfBeat(i)), 5.0) << "beat " << i / 2;
    }
    EXPECT_LT(msAtHalfBeat(lastStep), songMs - 1000.0);
    for (const double onset : onsets) {
        const double beats = (onset - chart.gap) / beatMs;
        EXPECT_NEAR(beats, std::round(beats), 5.0 / beatMs) << "stray onset at " << onset << " ms";
    }

    // The gap leaves the first arrows time to rise from their start to the goal.
    const ForgedConfig forged;
    const double travelBeats = ConfigFileParser::toFloat(forged.config.getValue("Goalposy", "General"))
                               - ConfigFileParser::toFloat(forged.config.getValue("Spawnposy", "General"));
    EXPECT_GE(chart.gap, travelBeats * beatMs + 1000.0);
}
