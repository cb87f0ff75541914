#include "ForgedData.h"
#include "OnsetDetector.h"

#include "chart/SongFolder.h"
#include "platform/SoundFileHeader.h"
#include "writers/SoundFileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

void PrintTo(const ForgedSong& song, std::ostream* out)
{
    *out << song.folder;
}

constexpr double toleranceMs = 5.0;

double nearestDistance(const std::vector<double>& onsets, double ms)
{
    const auto after = std::lower_bound(onsets.begin(), onsets.end(), ms);
    double best = 1e9;
    if (after != onsets.end())
        best = *after - ms;
    if (after != onsets.begin())
        best = std::min(best, ms - *std::prev(after));
    return best;
}

class LibrarySongSync : public testing::TestWithParam<ForgedSong> {};

} // namespace

TEST_P(LibrarySongSync, FourChartsOnTheKicksOfTheMusic)
{
    ASSERT_TRUE(forgedData().ok) << forgedData().error;
    const ForgedSong& forged = GetParam();
    const chart::ReadResult read = chart::SongFolder::load(forgedData().first / "Songs/Flarevox" / forged.folder);
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
        const auto count = [&](chart::NoteKind kind) {
            return std::count_if(chart.notes.begin(), chart.notes.end(), [&](const chart::Note& n) { return n.kind == kind; });
        };
        EXPECT_EQ(count(chart::NoteKind::Hold) > 0, i == 1 || i == 2);
        EXPECT_EQ(count(chart::NoteKind::Mine) > 0, i == 3);
    }
    const chart::TempoMap& tempo = song.charts.front().tempo;
    EXPECT_EQ(tempo.bpmChanges().size() > 1, forged.changesTempo);
    EXPECT_EQ(!tempo.stops().empty(), forged.stops);

    const auto audio = forge::SoundFileReader::read(song.musicPath);
    ASSERT_TRUE(audio) << song.musicPath << " does not decode";
    EXPECT_EQ(audio->format & SF_FORMAT_TYPEMASK, SF_FORMAT_OGG);
    EXPECT_EQ(audio->format & SF_FORMAT_SUBMASK, SF_FORMAT_VORBIS);
    const double seconds = static_cast<double>(audio->audio.frames()) / audio->audio.sampleRate;
    EXPECT_GT(seconds, 55.0);
    EXPECT_LT(seconds, 95.0);
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
        EXPECT_EQ(std::count_if(onsets.begin(), onsets.end(),
                                [&](double onset) { return onset > start + 20.0 && onset < start + stop.seconds * 1000.0; }),
                  0) << "an onset inside the stop at beat " << stop.beat;
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
