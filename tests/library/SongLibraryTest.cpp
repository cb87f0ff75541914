#include "library/DifficultyOrder.h"
#include "library/SongLibrary.h"
#include "support/TestSupport.h"
#include "writers/WavWriter.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>

// One scan over two roots holding songs at both levels, in every chart format,
// with odd names, and every kind of folder that cannot be played.

namespace {

namespace fs = std::filesystem;
using library::Difficulty;

// Root may read every folder; the scan runs without that right, so that a
// locked folder is locked for it too.
class WithoutReadOverride {
public:
    WithoutReadOverride()
    {
        syscall(SYS_capget, &header, saved);
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &header, reduced);
    }
    ~WithoutReadOverride() { syscall(SYS_capset, &header, saved); }

private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
};

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

class SongLibraryScan : public testing::Test {
protected:
    void SetUp() override
    {
        const auto song = [&](const std::string& folder, const std::string& chartName, const std::string& chart) {
            scratch.write(folder + "/" + chartName, chart);
            forge::WavWriter::write(scratch.path() / folder / "song.wav", {8000, 1, std::vector<float>(16000)});
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
        song("Songs/Broken/Locked", "l.sm", sm("Locked", "song.wav"));
        fs::permissions(scratch.path() / "Songs/Broken/Locked", fs::perms::none);
        fs::create_directory_symlink("..", scratch.path() / "Songs/Broken/Loop");
        fs::create_directory_symlink("Self", scratch.path() / "Songs/Self");
        scratch.write("Songs/readme.txt", "files beside the song folders are passed over");
    }
    void TearDown() override { fs::permissions(scratch.path() / "Songs/Broken/Locked", fs::perms::owner_all); }

    testsupport::ScratchDir scratch;
};

} // namespace

TEST_F(SongLibraryScan, ListsPlayableSongsInOrderAndSaysWhyTheOthersAreLeftOut)
{
    EXPECT_EQ(library::SongLibrary::roots("Other::/x/"), (std::vector<fs::path>{"Songs", "Other", "/x/"}));
    library::LibraryScan scan;
    {
        const WithoutReadOverride unprivileged;
        scan = library::SongLibrary::scan(library::SongLibrary::roots("Missing:Other"));
    }
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
    ASSERT_EQ(alpha.charts.size(), 2u);                            // dance-double left out
    EXPECT_EQ(alpha.charts[0].name, "Beginner");
    EXPECT_EQ(alpha.charts[0].chartIndex, 1u);
    EXPECT_EQ(alpha.charts[1].meter, 7);
    EXPECT_EQ(scan.songs[4].chartFile.extension(), ".sm");
    EXPECT_EQ(scan.songs[6].chartFile.extension(), ".ssc");

    const library::SongEntry& delta = scan.songs[5];
    EXPECT_EQ(delta.bpmText, "75-150");
    std::vector<std::pair<std::string, Difficulty>> difficulties;
    for (const library::ChartChoice& choice : delta.charts)
        difficulties.emplace_back(choice.name, choice.difficulty);
    EXPECT_EQ(difficulties, (std::vector<std::pair<std::string, Difficulty>>{{"BEGINNER", Difficulty::Beginner},
        {"BASIC", Difficulty::Easy}, {"ANOTHER", Difficulty::Medium}, {"MANIAC", Difficulty::Hard},
        {"SMANIAC", Difficulty::Challenge}}));

    const std::vector<std::string> skipped{
        "'Songs/Broken/BadMusic': music file 'm.ogg' cannot be opened",
        "'Songs/Broken/Empty': no .ssc, .sm or .dwi file",
        "'Songs/Broken/Garbage': x.sm: ",
        "'Songs/Broken/Locked': cannot read the folder (Permission denied)",
        "'Songs/Broken/Loop': symbolic link loop",
        "'Songs/Broken/MusicOnly': no .ssc, .sm or .dwi file",
        "'Songs/Broken/NoMusic': music file 'gone.ogg' not found",
        "'Songs/Self': symbolic link loop (Too many levels of symbolic links)",
    };
    ASSERT_EQ(scan.skipped.size(), skipped.size()) << testing::PrintToString(scan.skipped);
    for (std::size_t i = 0; i < skipped.size(); ++i)
        EXPECT_NE(scan.skipped[i].find("Song library: left out " + skipped[i]), std::string::npos) << scan.skipped[i];
}
