#include "chart/ChartFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace chart;

namespace {

Song readOk(std::string_view text, ChartFormat format)
{
    ReadResult result = ChartFile::parse(text, format);
    EXPECT_TRUE(result.ok()) << result.error;
    return result.song;
}

std::string describe(const Note& note)
{
    static const char* kinds[] = {"tap", "hold", "roll", "mine", "fake", "lift"};
    std::string text = std::to_string(note.beat.numerator()) + "/" + std::to_string(note.beat.denominator()) + " L"
        + std::to_string(note.lane) + " " + kinds[static_cast<int>(note.kind)];
    if (note.isHead())
        text += " to " + std::to_string(note.end.numerator()) + "/" + std::to_string(note.end.denominator());
    return text;
}

std::vector<std::string> describe(const Chart& steps)
{
    std::vector<std::string> notes;
    for (const Note& note : steps.notes)
        notes.push_back(describe(note));
    return notes;
}

// One measure per row count, a Left tap on its second row.
std::string measuresOfEveryRowCount(const std::vector<int>& counts)
{
    std::string data;
    for (int rows : counts) {
        for (int row = 0; row < rows; ++row)
            data += row == 1 ? "1000\r\n" : "0000\r\n";
        data += ",  // measure\r\n";
    }
    return data;
}

} // namespace

TEST(ChartReaders, SmSubdivisionsHoldsRollsMinesAndOffset)
{
    const std::vector<int> counts{4, 8, 12, 16, 24, 32, 48, 64, 192, 7};
    const std::string text = "\xEF\xBB\xBF#TITLE:Caf\xE9;\r\n#offset:-0.250;\r\n#BPMS:0.000=120.000;\r\n"
                             "#NOTES:dance-double:::5:0:00000000;\r\n"
                             "#NOTES:\r\n     dance-single:\r\n     x:\r\n     Hard:\r\n     9:\r\n     0,0,0,0,0:\r\n"
        + measuresOfEveryRowCount(counts) + "2400\r\n00M0\r\n33F0\r\n1L01\r\n,\r\n0[12]1[3]00{x}\r\n;\r\n";
    const Song song = readOk(text, ChartFormat::Sm);
    EXPECT_EQ(song.title, "Caf\xC3\xA9");
    ASSERT_EQ(song.charts.size(), 1u);
    const Chart& steps = song.charts[0];
    EXPECT_EQ(steps.difficulty, "Hard");
    EXPECT_EQ(steps.meter, 9);
    EXPECT_DOUBLE_EQ(steps.tempo.msAt(0), 250.0);
    ASSERT_EQ(steps.notes.size(), counts.size() + 8);
    for (std::size_t m = 0; m < counts.size(); ++m)
        EXPECT_EQ(steps.notes[m].beat, Beat(4 * static_cast<std::int64_t>(m) * counts[m] + 4, counts[m]))
            << counts[m] << " rows";
    const std::vector<std::string> all = describe(steps);
    const std::vector<std::string> tail(all.begin() + static_cast<long>(counts.size()), all.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"40/1 L0 hold to 42/1", "40/1 L3 roll to 42/1", "41/1 L1 mine",
                        "42/1 L1 fake", "43/1 L0 tap", "43/1 L2 tap", "43/1 L3 lift", "44/1 L3 tap"}))
        << "keysounds and attributes do not shift the columns";
}

TEST(ChartReaders, SscChartsWithTheirOwnTiming)
{
    const std::string text = "#VERSION:0.83;\n#TITLE:T;\n#OFFSET:0;\n#BPMS:0=120;\n#STOPS:1=1;\n#DELAYS:;\n#WARPS:;\n"
                             "#NOTEDATA:;\n#STEPSTYPE:dance-single;\n#DIFFICULTY:Easy;\n#METER:2;\n"
                             "#NOTES:\n3000\n1000\n0100\n0000\n;\n"
                             "#NOTEDATA:;\n#STEPSTYPE:pump-single;\n#NOTES:10000;\n"
                             "#NOTEDATA:;\n#STEPSTYPE:dance-single;\n#DIFFICULTY:Challenge;\n#METER:12;\n"
                             "#BPMS:0=60;\n#OFFSET:0.5;\n#NOTES:\n0010\n0000\n0001\n0000\n;\n";
    const Song song = readOk(text, ChartFormat::Ssc);
    ASSERT_EQ(song.charts.size(), 2u);
    EXPECT_EQ(song.charts[0].difficulty, "Easy");
    EXPECT_EQ(song.charts[0].notes.size(), 2u) << "a hold tail without a head is left out";
    EXPECT_DOUBLE_EQ(song.charts[0].tempo.msAt(2), 2000.0); // the song's stop
    EXPECT_EQ(song.charts[1].difficulty, "Challenge");
    EXPECT_DOUBLE_EQ(song.charts[1].tempo.msAt(2), 1500.0); // its own tempo and offset, not the song's stop
    EXPECT_EQ(describe(song.charts[1]), (std::vector<std::string>{"0/1 L1 tap", "2/1 L2 tap"}));
}

// Before version 0.70 a warp is written as its end beat. A chart with timing
// of its own (here only fakes) plays by it alone, with the song's offset and
// tempo; Edit charts are named by #CHARTNAME before #DESCRIPTION.
TEST(ChartReaders, SscOldWarpsFakesAndChartNames)
{
    const std::string eightBeats = "#NOTES:\n1000\n1000\n1000\n1000\n,\n1000\n1000\n1000\n1000\n;\n";
    const std::string text = "#VERSION:0.59;\n#OFFSET:-1;\n#BPMS:0=120;\n#WARPS:4=6;\n#DISPLAYBPM:75:150;\n"
                             "#NOTEDATA:;\n#STEPSTYPE:dance-single;\n#DIFFICULTY:Edit;\n#CHARTNAME:Mine;\n"
                             "#DESCRIPTION:Other;\n#FAKES:1=1;\n"
        + eightBeats + "#NOTEDATA:;\n#STEPSTYPE:dance-single;\n#DIFFICULTY:Edit;\n#DESCRIPTION:Theirs;\n" + eightBeats;
    const Song song = readOk(text, ChartFormat::Ssc);
    EXPECT_EQ(song.displayBpm, "75:150");
    ASSERT_EQ(song.charts.size(), 2u);
    const Chart& own = song.charts[0];
    EXPECT_EQ(own.description, "Mine");
    EXPECT_DOUBLE_EQ(own.tempo.msAt(0), 1000.0);
    EXPECT_DOUBLE_EQ(own.tempo.msAt(7), 4500.0);
    ASSERT_EQ(own.notes.size(), 8u);
    EXPECT_EQ(describe(own)[1], "1/1 L0 fake");
    EXPECT_EQ(describe(own)[2], "2/1 L0 tap");
    const Chart& songs = song.charts[1];
    EXPECT_EQ(songs.description, "Theirs");
    EXPECT_EQ(songs.notes.size(), 6u) << "the warp from beat 4 to 6 jumps over two notes";
    EXPECT_DOUBLE_EQ(songs.tempo.msAt(6), 3000.0);
}

// GAP: beat 0 is 250 ms into the music; #CHANGEBPM and #FREEZE count in 16ths;
// sample times are milliseconds without a decimal point.
TEST(ChartReaders, DwiGroupingsChordsAndHolds)
{
    const std::string text = "#TITLE:D\\E;\n#SAMPLESTART:45000;\n#SAMPLELENGTH:12.5;\n#BPM:120;\n#GAP:250;\n"
                             "#CHANGEBPM:32=60;\n#FREEZE:8=500;\n"
                             "#DOUBLE:BASIC:3:8888:2222;\n#SINGLE:BASIC:3:80\n(28)[46]{8000}`2'\n<48>7!7;\n"
                             "#SINGLE:MANIAC:10:8!82<1!4G>8!864\n8\n;\n";
    const Song song = readOk(text, ChartFormat::Dwi);
    EXPECT_EQ(song.title, "D\\E") << "DWI has no escapes";
    EXPECT_DOUBLE_EQ(song.sampleStartSeconds, 45.0);
    EXPECT_DOUBLE_EQ(song.sampleLengthSeconds, 12.5);
    ASSERT_EQ(song.charts.size(), 2u);
    const TempoMap& tempo = song.charts[0].tempo;
    EXPECT_DOUBLE_EQ(tempo.msAt(0), 250.0);
    EXPECT_DOUBLE_EQ(tempo.msAt(2), 1250.0);
    EXPECT_DOUBLE_EQ(tempo.msAt(3), 2250.0);
    EXPECT_DOUBLE_EQ(tempo.bpmAt(8), 60.0);
    EXPECT_EQ(describe(song.charts[0]),
        (std::vector<std::string>{"0/1 L1 tap", "1/1 L3 tap", "5/4 L1 tap", "3/2 L0 tap", "5/3 L2 tap",
            "11/6 L1 tap", "25/12 L3 tap", "101/48 L0 tap", "101/48 L1 tap", "125/48 L0 tap", "125/48 L1 tap"}))
        << "[ ] steps 24ths of a measure";
    EXPECT_EQ(song.charts[1].difficulty, "MANIAC");
    EXPECT_EQ(describe(song.charts[1]),
        (std::vector<std::string>{"0/1 L1 hold to 1/1", "1/2 L3 tap", "1/1 L0 hold to 5/2", "1/1 L3 tap",
            "3/2 L1 hold to 3/1", "2/1 L2 tap"}));
}

// A jump counts two notes and one jump; a hold head is a note and a hold; the
// last note's time includes the stop before it.
TEST(InspectChart, DescribesTheSongTempoAndEveryChart)
{
    testsupport::ScratchDir scratch;
    scratch.write("demo.sm", "#TITLE:Demo;\n#ARTIST:Us;\n#MUSIC:demo.ogg;\n#OFFSET:-0.25;\n#BPMS:0=120,8=60;\n"
                             "#STOPS:2=0.5;\n#NOTES:dance-single::Hard:9::1001\n2000\n3000\nM010\n,\n1100\n;\n"
                             "#NOTES:dance-double::Hard:9::00000000;\n#NOTES:dance-single::Edit:1::;\n");
    const testsupport::CommandRun run =
        testsupport::runCommand(std::string(FLAREVOX_INSPECT) + " " + (scratch.path() / "demo.sm").string());
    EXPECT_EQ(run.status, 0) << run.out;
    for (const char* line : {"\ntitle: Demo\n", "\nartist: Us\n", "\nmusic: demo.ogg\n", "\nbeat 0 at 250 ms\n",
             "\nbpm 120 at beat 0\n", "\nbpm 60 at beat 8\n", "\nstop 0.5 s at beat 2\n",
             "\nchart dance-single Hard 9: notes 6, jumps 2, holds 1, mines 1, fakes 0, lifts 0, first 250 ms, last 2750 ms\n",
             "\nchart dance-single Edit 1: notes 0, jumps 0, holds 0, mines 0, fakes 0, lifts 0, first - ms, last - ms\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
    EXPECT_EQ(run.out.find("dance-double"), std::string::npos);
}

// Latin-letter spellings come from SM and SSC files alike, trimmed; text
// that is not strict UTF-8 (overlong forms, surrogates, values past
// U+10FFFF, a cut sequence) is read as Latin-1 throughout.
TEST(ChartReaders, TransliterationsAndTextThatIsNotStrictUtf8)
{
    const std::string tags = "#TITLE:\xE5\xA4\x9C\xE6\x98\x8E\xE3\x81\x91;#TITLETRANSLIT: Yoake ;"
                             "#SUBTITLE:VCP 11;#SUBTITLETRANSLIT:;#ARTIST:\xD0\x9B\xD0\xB0;#ARTISTTRANSLIT:La;"
                             "#BPMS:0=120;";
    for (const auto& [text, format] : {std::pair{tags + "#NOTES:dance-single::Easy:1::1000;", ChartFormat::Sm},
             {tags + "#NOTEDATA:;#STEPSTYPE:dance-single;#DIFFICULTY:Easy;#NOTES:1000;", ChartFormat::Ssc}}) {
        const Song song = readOk(text, format);
        EXPECT_EQ(song.title, "\xE5\xA4\x9C\xE6\x98\x8E\xE3\x81\x91");
        EXPECT_EQ(song.titleTranslit, "Yoake");
        EXPECT_EQ(song.subtitle, "VCP 11");
        EXPECT_EQ(song.subtitleTranslit, "");
        EXPECT_EQ(song.artistTranslit, "La");
    }
    const std::pair<const char*, const char*> notUtf8[] = {{"\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"\xE0\x80\xAF", "\xC3\xA0\xC2\x80\xC2\xAF"}, {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
        {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"}, {"\xE5\xA4", "\xC3\xA5\xC2\xA4"}};
    for (const auto& [written, read] : notUtf8)
        EXPECT_EQ(readOk(std::string("#TITLE:") + written + ";#BPMS:0=120;#NOTES:dance-single::Easy:1::1000;",
                      ChartFormat::Sm).title, read);
}
