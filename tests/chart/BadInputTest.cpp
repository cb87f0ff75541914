#include "chart/ChartFile.h"
#include "chart/SongFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace chart;

namespace {

const std::string smHead = "#BPMS:0=120;\n";
const std::string smChart = "#NOTES:dance-single::Easy:1::1000\n0100\n0010\n0001;\n";

std::string repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

struct BadCase {
    const char* what;
    ChartFormat format;
    std::string text;
    std::string fileError;    // the reason the file is refused; empty when it is read
    std::string chartRefusal; // the reason its first chart is refused, if any
    std::size_t notes = 0;    // notes of the first chart when read
    std::string warning = {}; // a line the song's warnings hold
};

} // namespace

TEST(ChartBadInput, RefusedWithAReasonOrReadAsPlayersMeanIt)
{
    const std::vector<BadCase> cases{
        {"unterminated last tag", ChartFormat::Sm, smHead + "#NOTES:dance-single::Easy:1::1000\n0100", "", "", 2},
        {"missing semicolons", ChartFormat::Sm, "#TITLE:A\n#BPMS:0=120\n" + smChart, "", "", 4},
        {"no tempo", ChartFormat::Sm, smChart, "no tempo", ""},
        {"zero tempo", ChartFormat::Sm, "#BPMS:0=0,0.5=120,8=0;\n" + smChart, "", "", 4,
            "tempo of 0 BPM at beat 8 left out"},
        {"NaN tempo", ChartFormat::Sm, "#BPMS:0=nan;\n" + smChart, "no tempo", "", 0, "#BPMS: left out '0=nan'"},
        {"huge tempo", ChartFormat::Sm, "#BPMS:0=1e400;\n" + smChart, "no tempo", ""},
        {"empty offset", ChartFormat::Sm, "#OFFSET:;\n" + smHead + smChart, "", "", 4, "#OFFSET: left out ''"},
        {"pair without =", ChartFormat::Sm, "#BPMS:0=120,4,x=1;\n#STOPS:1=;\n" + smChart, "", "", 4,
            "#BPMS: left out '4' and 1 more"},
        {"stop before beat 0", ChartFormat::Sm, smHead + "#STOPS:-1=0.5;\n" + smChart, "", "", 4,
            "stop of 0.5 s at beat -1, before beat 0, added to the offset"},
        {"DWI unreadable gap and freeze", ChartFormat::Dwi, "#BPM:60;#GAP:x;#FREEZE:4;#SINGLE:BASIC:1:8888;", "", "",
            4, "#FREEZE: left out '4'"},
        {"huge beat", ChartFormat::Sm, "#BPMS:0=120,1e12=90;\n" + smChart, "out of range", ""},
        {"negative stop", ChartFormat::Sm, smHead + "#STOPS:0.5=-0.75;\n" + smChart, "", "", 3},
        {"short #NOTES", ChartFormat::Sm, smHead + "#NOTES:dance-single:1000;", "", "of its 6 fields"},
        {"rows per measure", ChartFormat::Sm, smHead + "#NOTES:dance-single::E:1::" + std::string(5000 * 5, '\n'),
            "", ""},
        {"too many rows", ChartFormat::Sm, smHead + "#NOTES:dance-single::E:1::" + repeat("0000\n", 5000), "",
            "more than 4096 rows"},
        {"too many measures", ChartFormat::Sm, smHead + "#NOTES:dance-single::E:1::" + std::string(60000, ','), "",
            "measures"},
        {"too many tags", ChartFormat::Sm, repeat("#A;", 20001), "more than 20000 tags", ""},
        {"too many values", ChartFormat::Dwi, repeat("#SINGLE" + std::string(63, ':') + ";", 2000),
            "more than 100000 values", ""},
        {"SSC chart with a zero tempo", ChartFormat::Ssc,
            smHead + "#NOTEDATA:;\n#STEPSTYPE:dance-single;\n#BPMS:0=0;\n#NOTES:1000;\n", "", "no tempo"},
        {"SSC chart without notes", ChartFormat::Ssc, smHead + "#NOTEDATA:;\n#STEPSTYPE:dance-single;\n", "",
            "no #NOTES"},
        {"DWI without #BPM", ChartFormat::Dwi, "#SINGLE:BASIC:1:8888;", "no tempo (#BPM)", ""},
        {"DWI hold mark at the end", ChartFormat::Dwi, "#BPM:90;\n#SINGLE:BASIC:1:<8!;", "", "", 1},
        {"DWI too long", ChartFormat::Dwi, "#BPM:90;\n#SINGLE:BASIC:1:" + std::string(400010, '0') + ";", "",
            "longer than"},
        {"DWI negative freeze, its first beat skipped", ChartFormat::Dwi, "#BPM:60;#FREEZE:4=-600;#SINGLE:BASIC:1:8888;",
            "", "", 2},
    };
    for (const BadCase& bad : cases) {
        SCOPED_TRACE(bad.what);
        const ReadResult result = ChartFile::parse(bad.text, bad.format);
        if (!bad.warning.empty()) {
            EXPECT_NE(std::find(result.song.warnings.begin(), result.song.warnings.end(), bad.warning),
                      result.song.warnings.end())
                << testing::PrintToString(result.song.warnings);
        }
        if (!bad.fileError.empty()) {
            EXPECT_NE(result.error.find(bad.fileError), std::string::npos) << result.error;
            continue;
        }
        ASSERT_TRUE(result.ok()) << result.error;
        if (!bad.chartRefusal.empty()) {
            ASSERT_EQ(result.song.refusedCharts.size(), 1u);
            EXPECT_NE(result.song.refusedCharts[0].find(bad.chartRefusal), std::string::npos)
                << result.song.refusedCharts[0];
        } else if (bad.notes > 0) {
            ASSERT_EQ(result.song.charts.size(), 1u);
            EXPECT_EQ(result.song.charts[0].notes.size(), bad.notes);
        }
    }
}

TEST(ChartBadInput, FilesAndFolders)
{
    testsupport::ScratchDir scratch;
    const std::filesystem::path song = scratch.path() / "song";
    for (const char* name : {"b.dwi", "c.sm", "d.SSC", "._a.ssc", "a.dwi", "Sub/Music.OGG", "other.wav", "._a.wav",
             "Intro.ogg", "._banner.png", "x-BN.png", "pic.jpg"})
        scratch.write(std::string("song/") + name, "#BPMS:0=120;#BPM:120;#MUSIC:sub/music.ogg;");
    scratch.write("secret.ogg", "x");
    std::filesystem::create_symlink(scratch.path() / "secret.ogg", song / "link.ogg");
    scratch.write("huge.sm", std::string((16u << 20) + 1, ' '));

    std::string error;
    std::vector<std::string> warnings;
    EXPECT_EQ(SongFolder::findChartFile(song, error), song / "d.SSC");
    std::filesystem::remove(song / "d.SSC");
    EXPECT_EQ(SongFolder::findChartFile(song, error), song / "c.sm");
    EXPECT_FALSE(SongFolder::findChartFile(song / "Sub", error));
    // Several files of the chosen kind: the first by name plays, the line names the others.
    for (const char* name : {"c.sm", "a.sm", "b.sm", "a.dwi"})
        scratch.write(std::string("pack/") + name, "#TITLE:x;");
    EXPECT_EQ(SongFolder::findChartFile(scratch.path() / "pack", error, warnings), scratch.path() / "pack/a.sm");
    EXPECT_EQ(warnings, (std::vector<std::string>{"3 chart files of one kind, playing 'a.sm', not 'b.sm', 'c.sm'"}));
    warnings.clear();
    EXPECT_EQ(SongFolder::load(song).song.musicPath, song / "Sub/Music.OGG");
    // Not "._a.wav", not the intro, not the link leading out.
    EXPECT_EQ(SongFolder::resolveMusic(song, song, "", error, warnings), song / "other.wav");
    EXPECT_EQ(SongFolder::resolveMusic(song, song, "song.mp3", error, warnings), song / "other.wav");
    EXPECT_EQ(warnings, (std::vector<std::string>{"music file 'song.mp3' not found, playing 'other.wav' instead"}));
    EXPECT_EQ(SongFolder::findBanner(song, song, ""), song / "x-BN.png");
    EXPECT_EQ(SongFolder::findBanner(song, song, "Sub/../PIC.jpg"), song / "pic.jpg");
    EXPECT_EQ(SongFolder::findBanner(song, song, "other.wav"), song / "x-BN.png");

    const std::vector<std::pair<std::string, std::string>> refused{{"../secret.ogg", "outside"},
        {"sub/../../secret.ogg", "outside"}, {"/etc/passwd", "absolute"}, {"C:\\music.ogg", "absolute"},
        {"link.ogg", "outside"}, {"sub", "not a file"}};
    for (const auto& [name, reason] : refused) {
        error.clear();
        EXPECT_FALSE(SongFolder::resolveMusic(song, song, name, error, warnings)) << name;
        EXPECT_NE(error.find(reason), std::string::npos) << name << ": " << error;
    }
    EXPECT_NE(ChartFile::read(scratch.path() / "huge.sm").error.find("larger than 16 MiB"), std::string::npos);
    EXPECT_NE(ChartFile::read(scratch.path() / "nothing.sm").error.find("cannot open"), std::string::npos);
}

// Versions of one song share their music: "../Other/song.ogg" is found inside
// the song root, never beyond it nor through a link that leaves it.
TEST(ChartBadInput, SharedMusicStaysInsideTheSongRoot)
{
    testsupport::ScratchDir scratch;
    const std::filesystem::path root = scratch.path() / "Songs";
    scratch.write("Songs/Pack/Other/song.ogg", "x");
    scratch.write("Songs/Pack/Mine/m.sm", "#BPMS:0=120;");
    scratch.write("secret.ogg", "x");
    std::filesystem::create_directory_symlink(scratch.path(), root / "Pack/Out");
    const std::filesystem::path mine = root / "Pack/Mine";
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_EQ(SongFolder::resolveMusic(mine, root, "../Other/SONG.ogg", error, warnings),
        root / "Pack/Other/song.ogg");
    EXPECT_EQ(SongFolder::resolveMusic(mine, {}, "..\\Other\\song.ogg", error, warnings),
        root / "Pack/Other/song.ogg") << "by default the folder holding the song's folder";
    for (const std::string name : {"../../../secret.ogg", "../Out/secret.ogg"}) {
        EXPECT_FALSE(SongFolder::resolveMusic(mine, root, name, error, warnings)) << name;
        EXPECT_NE(error.find("outside"), std::string::npos) << error;
    }
    EXPECT_FALSE(SongFolder::resolveMusic(mine, mine, "../Other/song.ogg", error, warnings));
    EXPECT_TRUE(warnings.empty());
}
