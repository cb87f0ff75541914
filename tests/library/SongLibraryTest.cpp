#include "LibraryFiles.h"

#include "library/SongLibrary.h"
#include "support/TestSupport.h"
#include "writers/WavWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

// One scan over two roots holding songs at both levels, in every chart format,
// with odd names, and every kind of folder that cannot be played.

namespace {

namespace fs = std::filesystem;
using library::Difficulty;

std::string sm(const std::string& title, const std::string& music, const std::string& extra = "")
{
    const std::string measure = "1000\n0100\n0010\n0001\n";
    return "#TITLE:" + title + ";#ARTIST:Tester;#MUSIC:" + music + ";#OFFSET:0;#BPMS:0=120,8=150;" + extra
        + "#NOTES:dance-single::Hard:7:0,0,0,0,0:" + measure + ";#NOTES:dance-double::Easy:3:0,0,0,0,0:" + measure
        + measure + ";#NOTES:dance-single::Beginner:1:0,0,0,0,0:" + measure + ";";
}

const std::string ssc = "#TITLE:Gamma SSC;#MUSIC:song.wav;#OFFSET:0;#BPMS:0=140;#NOTEDATA:;#STEPSTYPE:dance-single;"
                        "#DIFFICULTY:Challenge;#METER:10;#NOTES:1000\n0000\n0000\n0000\n;";
const std::string dwi = "#TITLE:Delta;#FILE:song.wav;#BPM:150;#GAP:0;#DISPLAYBPM:75..150;#SINGLE:SMANIAC:11:2468;"
                        "#SINGLE:BASIC:3:2468;#SINGLE:MANIAC:8:2468;#SINGLE:BEGINNER:1:2468;#SINGLE:ANOTHER:5:2468;";

} // namespace

TEST(SongLibraryScan, ListsPlayableSongsInOrderAndSaysWhyTheOthersAreLeftOut)
{
    const testsupport::ScratchDir scratch;
    const auto song = [&](const std::string& folder, const std::string& chartFile, const std::string& chart) {
        librarytest::writeSong(scratch, folder, chartFile, chart);
    };
    song("Songs/Alpha", "a.sm", sm("Alpha", "song.wav", "#SAMPLESTART:3;#SAMPLELENGTH:5;"));
    song("Songs/Caf\xe9", "c.sm", sm("", "SONG.WAV"));
    song("Songs/\xc3\x9c" "ber", "u.sm", sm("\xc3\x9c" "ber alles", "song.wav"));
    song("Songs/pack b/Gamma", "g.ssc", ssc);
    scratch.write("Songs/pack b/Gamma/g.sm", sm("Gamma SM", "song.wav"));
    scratch.write("Songs/pack b/Gamma/g.dwi", dwi);
    song("Songs/pack b/Beta", "b.sm", sm("Beta", "song.wav"));
    scratch.write("Songs/pack b/Beta/b.dwi", dwi);
    song("Songs/pack b/Delta", "d.dwi", dwi);
    song("Other/Alpha", "a.sm", sm("Alpha from the second root", "song.wav"));
    song("Other/Pack A/Epsilon", "e.sm", sm("Epsilon", "song.wav"));

    fs::create_directories(scratch.path() / "Songs/Broken/Empty");
    forge::WavWriter::write(scratch.path() / "Songs/Broken/MusicOnly/song.wav", {8000, 1, std::vector<float>(8)});
    scratch.write("Songs/Broken/NoMusic/n.sm", sm("No music", "gone.ogg"));
    scratch.write("Songs/Broken/Garbage/x.sm", std::string("\x89PNG\0\xff#NOTES:\x01;", 16));
    scratch.write("Songs/Broken/BadMusic/m.sm", sm("Bad music", "m.ogg"));
    scratch.write("Songs/Broken/BadMusic/m.ogg", std::string("OggS\0\2", 6) + std::string(80, '\1'));
    fs::create_directory_symlink("..", scratch.path() / "Songs/Broken/Loop");
    fs::create_directory_symlink("Self", scratch.path() / "Songs/Self");
    scratch.write("Songs/readme.txt", "files beside the song folders are passed over");

    EXPECT_EQ(library::SongLibrary::roots("Other::/x/"), (std::vector<fs::path>{"Songs", "Other", "/x/"}));
    const library::LibraryScan scan = library::SongLibrary::scan(library::SongLibrary::roots("Missing:Other"));
    // Pack, then title, ignoring case; the first root's Alpha wins.
    const std::vector<std::pair<std::string, std::string>> expected{{"", "Alpha"}, {"", "Caf\xc3\xa9"},
        {"", "\xc3\x9c" "ber alles"}, {"Pack A", "Epsilon"}, {"pack b", "Beta"}, {"pack b", "Delta"}, {"pack b", "Gamma SSC"}};
    std::vector<std::pair<std::string, std::string>> listed;
    for (const library::SongEntry& entry : scan.songs)
        listed.emplace_back(entry.pack, entry.title);
    EXPECT_EQ(listed, expected);

    const library::SongEntry& alpha = scan.songs[0];
    EXPECT_EQ(alpha.folder, fs::path("Songs/Alpha"));
    EXPECT_EQ(alpha.bpmText, "120-150");
    EXPECT_DOUBLE_EQ(alpha.lengthSeconds, 2.0);
    EXPECT_DOUBLE_EQ(alpha.previewStartSeconds(), 3.0);
    EXPECT_DOUBLE_EQ(alpha.previewLengthSeconds(), 5.0);
    EXPECT_DOUBLE_EQ(scan.songs[1].previewStartSeconds(), 1.0); // none in the file: the middle
    EXPECT_EQ(fs::path(scan.songs[4].chartFile).extension(), ".sm");
    EXPECT_EQ(fs::path(scan.songs[6].chartFile).extension(), ".ssc");
    EXPECT_EQ(scan.songs[5].bpmText, "75-150");
    // Charts easiest first, dance-double left out; DWI's names mapped to difficulties.
    const auto charts = [](const library::SongEntry& entry) {
        std::vector<std::tuple<std::string, Difficulty, int, std::size_t>> seen;
        for (const library::ChartChoice& choice : entry.charts)
            seen.emplace_back(choice.name, choice.difficulty, choice.meter, choice.chartIndex);
        return seen;
    };
    using Charts = decltype(charts(alpha));
    EXPECT_EQ(charts(alpha), (Charts{{"Beginner", Difficulty::Beginner, 1, 1}, {"Hard", Difficulty::Hard, 7, 0}}));
    EXPECT_EQ(charts(scan.songs[5]), (Charts{{"BEGINNER", Difficulty::Beginner, 1, 3},
        {"BASIC", Difficulty::Easy, 3, 1}, {"ANOTHER", Difficulty::Medium, 5, 4}, {"MANIAC", Difficulty::Hard, 8, 2},
        {"SMANIAC", Difficulty::Challenge, 11, 0}}));

    const std::vector<std::string> skipped{
        "'Other/Alpha': the same song as 'Songs/Alpha' of an earlier song root",
        "'Songs/Broken/BadMusic': music file 'm.ogg' cannot be opened",
        "'Songs/Broken/Empty': no .ssc, .sm or .dwi file",
        "'Songs/Broken/Garbage': x.sm: ",
        "'Songs/Broken/Loop': symbolic link loop",
        "'Songs/Broken/MusicOnly': no .ssc, .sm or .dwi file",
        "'Songs/Broken/NoMusic': music file 'gone.ogg' not found",
        "'Songs/Self': symbolic link loop (Too many levels of symbolic links)",
    };
    ASSERT_EQ(scan.skipped.size(), skipped.size()) << testing::PrintToString(scan.skipped);
    for (std::size_t i = 0; i < skipped.size(); ++i)
        EXPECT_NE(scan.skipped[i].find("Song library: left out " + skipped[i]), std::string::npos) << scan.skipped[i];
}

// What packs copied from other games hold: "._" files beside the real ones,
// versions of a song sharing one music file, music renamed by re-encoding,
// Edit charts told apart by their description, display BPM ranges, banners.
TEST(SongLibraryScan, PlayersPacksAreListedAsTheirAuthorsMeantThem)
{
    const testsupport::ScratchDir scratch;
    const auto wav = [&](const std::string& file) {
        forge::WavWriter::write(scratch.path() / file, {8000, 1, std::vector<float>(16000)});
    };
    const std::string edits = "#NOTES:dance-single:Left foot:Edit:5::1000;#NOTES:dance-single:Right foot:Edit:6::0001;"
                              "#NOTES:dance-single::Edit:7::0100;";
    wav("Songs/P/Original/song.wav");
    scratch.write("Songs/P/Original/o.sm", sm("Original", "song.wav", "#BANNER:art/Top.png;"));
    scratch.write("Songs/P/Original/art/top.PNG", "not decoded while scanning");
    scratch.write("Songs/P/Original/._o.sm", std::string("\0\5\x16\7Mac OS X", 12));
    scratch.write("Songs/P/Remix/r.sm", "#TITLE:Remix;#MUSIC:../Original/song.wav;#BPMS:0=120;#DISPLAYBPM:75:150;" + edits);
    scratch.write("Songs/P/Remix/remix-bn.jpg", "x");
    scratch.write("Songs/P/Reencoded/e.sm", sm("Reencoded", "song.mp3"));
    wav("Songs/P/Reencoded/intro.wav");
    wav("Songs/P/Reencoded/song.wav");
    scratch.write("Songs/P/Reencoded/._song.wav", "AppleDouble");

    const library::LibraryScan scan = library::SongLibrary::scan({scratch.path() / "Songs"});
    EXPECT_TRUE(scan.skipped.empty()) << testing::PrintToString(scan.skipped);
    ASSERT_EQ(scan.songs.size(), 3u);
    const library::SongEntry& original = scan.songs[0];
    EXPECT_EQ(fs::path(original.chartFile).filename(), "o.sm");
    EXPECT_EQ(fs::path(original.bannerFile), fs::path(original.folder) / "art/top.PNG");
    const library::SongEntry& reencoded = scan.songs[1];
    EXPECT_EQ(fs::path(reencoded.musicFile).filename(), "song.wav");
    EXPECT_TRUE(reencoded.bannerFile.empty());
    ASSERT_EQ(scan.warnings.size(), 1u);
    EXPECT_NE(scan.warnings[0].find("Reencoded': music file 'song.mp3' not found, playing 'song.wav' instead"),
        std::string::npos) << scan.warnings[0];
    const library::SongEntry& remix = scan.songs[2];
    EXPECT_TRUE(std::filesystem::equivalent(remix.musicFile, original.musicFile));
    EXPECT_EQ(remix.bpmText, "75-150");
    EXPECT_EQ(fs::path(remix.bannerFile).filename(), "remix-bn.jpg");
    std::vector<std::pair<std::string, std::size_t>> shown;
    for (const library::ChartChoice& choice : remix.charts)
        shown.emplace_back(choice.shownName, choice.chartIndex);
    EXPECT_EQ(shown, (std::vector<std::pair<std::string, std::size_t>>{{"Left foot", 0}, {"Right foot", 1}, {"Edit", 2}}));
}
