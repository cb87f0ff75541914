#include "support/ArrowStage.h"

#include "flow/KeyRepeat.h"
#include "flow/Match.h"
#include "flow/StoryScreen.h"
#include "input/InputHandler.h"
#include "input/KeyPresses.h"
#include "library/SongSelection.h"
#include "platform/VirtualKeys.h"
#include "sound/SoundManager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

// The song panel while the library is read on its own threads: its keys act
// at once, the list fills in behind them, and a rescan finds what was copied in.

namespace {

namespace fs = std::filesystem;
using arrowtest::ArrowStage;
using arrowtest::Chart;
using platform::VirtualKeys;

const char* const panelSong = "#TITLE:Test;\n#MUSIC:music.wav;\n#BPMS:0=120;\n#NOTES:dance-single::Hard:1:0:1000\n;\n";

// Keys typed on the keyboard, as the input handler counts them.
class Keyboard {
public:
    Keyboard() { (new InputHandler())->init(flags.data(), &presses); }
    void type(std::uint8_t code, std::uint32_t tick)
    {
        press(code, tick);
        release(code, tick);
    }
    void press(std::uint8_t code, std::uint32_t tick)
    {
        ++presses.count[code];
        presses.tick[code] = tick;
    }
    void release(std::uint8_t code, std::uint32_t tick)
    {
        ++presses.releaseCount[code];
        presses.releaseTick[code] = tick;
    }

private:
    std::array<std::uint8_t, 256> flags{};
    KeyPresses presses;
};

void writePack(const std::string& pack, int songs)
{
    for (int number = 1; number <= songs; ++number) {
        const fs::path folder = fs::path("Songs") / pack / ("Song " + std::to_string(number));
        fs::create_directories(folder);
        fs::copy_file("Songs/Test/music.wav", folder / "music.wav");
        std::ofstream(folder / "song.sm") << std::string(panelSong).replace(7, 4, pack + " " + std::to_string(number));
    }
}

void untilRead(ArrowStage& stage)
{
    const StoryScreen& story = stage.match().getStory();
    for (int frame = 0; frame < 500 && story.isReadingLibrary(); ++frame) {
        stage.frame(20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(story.isReadingLibrary());
}

} // namespace

TEST(LibraryPanel, ItsKeysActWhileTheLibraryIsReadAndARescanFindsNewSongs)
{
    ArrowStage stage(Chart{"", "128.000", 5500, 9000, panelSong, {"Hard", "Hard"}});
    writePack("Alpha", 12);
    writePack("Beta", 12);
    Keyboard keys;
    Match& match = stage.match();
    const StoryScreen& story = match.getStory();
    const library::SongSelection& selection = story.getSelection();
    match.startLibraryScan();
    match.showLibrary();
    EXPECT_EQ(selection.song().title, "Test") << "the song of the command line is chosen at once";

    // The search opens on F2; letters typed narrow it, the players' keys type.
    match.onKey(VirtualKeys::function(2));
    EXPECT_TRUE(match.takesEscape());
    for (const char letter : std::string("ALPHA 1")) {
        keys.type(letter == ' ' ? VirtualKeys::space : static_cast<std::uint8_t>(letter), stage.now());
        stage.press(2, 3, stage.now());
        stage.frame(20);
    }
    untilRead(stage);
    EXPECT_EQ(selection.query(), "alpha 1");
    EXPECT_EQ(selection.reachableCount(), 4u) << "Alpha 1, 10, 11 and 12";
    keys.type(VirtualKeys::backspace, stage.now());
    keys.type(VirtualKeys::enter, stage.now() + 1);
    stage.frame(20);
    EXPECT_EQ(selection.reachableCount(), 12u);
    stage.press(2, 3, stage.now());
    EXPECT_EQ(selection.song().title, "Alpha 10") << "after Enter the steps move again";
    EXPECT_TRUE(match.takeEscape());
    EXPECT_FALSE(match.takesEscape()) << "the search is dropped; Escape ends the game again";
    EXPECT_EQ(selection.song().title, "Alpha 10");

    // Packs: Backspace goes back to them, a slot key opens one.
    keys.type(VirtualKeys::backspace, stage.now());
    stage.frame(20);
    ASSERT_NE(selection.currentPack(), nullptr);
    EXPECT_EQ(selection.currentPack()->name, "Alpha");
    stage.press(1, 3, stage.now());
    stage.press(1, 5, stage.now());
    EXPECT_EQ(selection.openPack()->name, "Beta");
    EXPECT_EQ(match.currentScreen(), &story) << "a slot key on a pack opens it, it starts no song";

    // F1 lists every song by title (the stage has no music for the game's
    // own); a rescan finds a song copied in and keeps the one chosen.
    match.onKey(VirtualKeys::function(1));
    EXPECT_EQ(selection.size(), 25u);
    const std::string chosen = selection.song().title;
    writePack("Gamma", 1);
    keys.type(VirtualKeys::insert, stage.now());
    stage.frame(20);
    EXPECT_TRUE(story.isReadingLibrary());
    EXPECT_EQ(selection.size(), 25u) << "the old list stays until the new one is read";
    untilRead(stage);
    EXPECT_EQ(selection.size(), 26u);
    EXPECT_EQ(selection.song().title, chosen);
    EXPECT_NE(stage.log().find("SongLibrary: 26 songs"), std::string::npos);

    // The song started is kept in the configuration for the next start.
    ASSERT_EQ(selection.song().folder, fs::path("Songs/Beta/Song 1"));
    stage.press(1, 5, stage.now());
    EXPECT_NE(match.currentScreen(), &story);
    EXPECT_NE(testsupport::readFile("Conf/global.cfg").find("[Library]\nLastSong = Songs/Beta/Song%201\n"), std::string::npos);
    EXPECT_EQ(match.lastSong(), std::nullopt) << "read at start-up, not since";
}

// The song last started is chosen again once the library is read at the
// next start, inside its opened pack.
TEST(LibraryPanel, TheSongLastStartedIsChosenAgainAtTheNextStart)
{
    ArrowStage stage(Chart{"", "128.000", 5500, 9000, panelSong, {"Hard", "Hard"}, "[Library]\nLastSong = Songs/Beta/Song%202\n"});
    Match::setSongChoice(std::nullopt);
    writePack("Alpha", 3);
    writePack("Beta", 3);
    Match& match = stage.match();
    match.startLibraryScan();
    match.showLibrary();
    untilRead(stage);
    const library::SongSelection& selection = match.getStory().getSelection();
    EXPECT_EQ(selection.song().folder, fs::path("Songs/Beta/Song 2"));
    ASSERT_NE(selection.openPack(), nullptr);
    EXPECT_EQ(selection.openPack()->name, "Beta");
}

// The panel's rate keys step by 0.05; the song's own sync steps by a ms per
// press, and a held key repeats, faster after a while. The offset plays on
// top of the global one, is kept in the player's folder for the next start,
// and the pack's files are left as they were. The results screen moves it
// with the same keys.
TEST(LibraryPanel, RateAndTheSongsOwnSyncAreSetWithKeysAndKeptOutsideThePack)
{
    ArrowStage stage(Chart{"", "128.000", 5500, 9000, panelSong, {"Hard", "Hard"}});
    const std::string packFile = testsupport::readFile("Songs/Test/test.sm");
    Keyboard keys;
    Match& match = stage.match();
    match.startLibraryScan();
    match.showLibrary();
    untilRead(stage);
    SoundManager& sound = *SoundManager::instance();
    for (const std::uint8_t key : {VirtualKeys::minus, VirtualKeys::minus, VirtualKeys::numpadPlus})
        keys.type(key, stage.now());
    stage.frame(20);
    EXPECT_DOUBLE_EQ(sound.getMusicRate(), 0.95);

    for (int press = 0; press < 3; ++press) {
        keys.type(VirtualKeys::period, stage.now());
        stage.frame(20);
    }
    const std::uint32_t heldFrom = stage.now();
    keys.press(VirtualKeys::comma, heldFrom);
    for (int frame = 0; frame < 100; ++frame)
        stage.frame(20);
    keys.release(VirtualKeys::comma, stage.now());
    stage.frame(20);
    const int held = 1 + static_cast<int>(KeyRepeat::repeatsBy(heldFrom, heldFrom + 2000));
    EXPECT_GT(held, 1 + static_cast<int>((2000 - KeyRepeat::firstRepeatMs) / KeyRepeat::slowEveryMs));
    const library::SongEntry& chosen = match.getStory().getSelection().song();
    const int expected = 3 - held;
    EXPECT_EQ(match.getSongSync().offsetMs(*StoryScreen::syncKeyOf(chosen)), expected);

    sound.setGlobalOffset(10.0);
    stage.press(1, 5, stage.now());
    EXPECT_DOUBLE_EQ(sound.getSongOffset(), expected);
    EXPECT_DOUBLE_EQ(sound.offsetAt(0.95), 10.0 * 0.95 + expected);
    EXPECT_EQ(testsupport::readFile("Songs/Test/test.sm"), packFile);
    EXPECT_EQ(library::SongSync().offsetMs(*StoryScreen::syncKeyOf(chosen)), expected);

    // On the results the same keys move it for the next round; a key typed
    // during the song does not count there.
    keys.type(VirtualKeys::comma, stage.now());
    for (int frame = 0; frame < 1000 && match.currentScreen() != &match.getResults(); ++frame)
        stage.frame(20);
    ASSERT_EQ(match.currentScreen(), &match.getResults());
    for (int press = 0; press < 2; ++press) {
        keys.type(VirtualKeys::period, stage.now());
        stage.frame(20);
    }
    const std::string line = match.getResults().syncLine();
    EXPECT_TRUE(line.starts_with("Sync " + std::to_string(expected + 2) + " ms ")) << line;
    match.startNewRound();
    stage.press(1, 5, stage.now());
    EXPECT_DOUBLE_EQ(sound.getSongOffset(), expected + 2);
}
