#include "GameProcess.h"
#include "game/StepFileManager.h"
#include "support/PrivateDisplay.h"
#include "support/TestSupport.h"
#include "writers/DwiWriter.h"
#include "writers/Mp3Writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using e2e::GameProcess;

const std::filesystem::path runData = std::filesystem::path(FLAREVOX_RUN_DIR) / "Data";

// Points and judgement counts of one player, from the song's closing log line.
struct Totals {
    unsigned points = 0;
    unsigned godlike = 0;
    unsigned judged = 0;
};

struct SongOver {
    bool found = false;
    Totals players[2];
    std::string winner;
};

SongOver readSongOver(const std::string& log)
{
    static const std::regex line(
        R"(ArrowManager: Song over\. Player 1: (\d+) points \((\d+) Godlike, (\d+) Perfect, (\d+) Great, (\d+) Good, )"
        R"((\d+) Booo\); Player 2: (\d+) points \((\d+) Godlike, (\d+) Perfect, (\d+) Great, (\d+) Good, (\d+) Booo\); )"
        R"(winner: (.*) )");
    SongOver result;
    std::smatch match;
    if (!std::regex_search(log, match, line))
        return result;
    result.found = true;
    for (int player = 0; player < 2; ++player) {
        const int first = 1 + player * 6;
        Totals& totals = result.players[player];
        totals.points = std::stoul(match[first]);
        totals.godlike = std::stoul(match[first + 1]);
        for (int word = 1; word <= 5; ++word)
            totals.judged += std::stoul(match[first + word]);
    }
    result.winner = match[13];
    return result;
}

std::string config(const std::string& title, int width, int height, const char* spawnY)
{
    return "[Window]\nTitle = " + title + "\nWidth = " + std::to_string(width) + "\nHeight = "
        + std::to_string(height) + "\nBitsPerPixel = 32\nStartFullscreen = 0\n[General]\nGoalposy = 4.0\nSpawnposy = "
        + spawnY + "\n[Sound]\nMasterVolume = 200\n[SpecialFX]\nMaxParticels = 10\n" + testsupport::playerSections();
}

// The game's own data, except for the folders the test brings itself.
void linkData(const std::filesystem::path& folder, std::initializer_list<const char*> except = {})
{
    std::filesystem::create_directories(folder / "Data");
    for (const auto& entry : std::filesystem::directory_iterator(runData)) {
        const std::string name = entry.path().filename().string();
        if (std::find(except.begin(), except.end(), name) == except.end())
            std::filesystem::create_directory_symlink(entry.path(), folder / "Data" / name);
    }
}

void setGameEnvironment()
{
    setenv("FLAREVOX_NO_DIALOGS", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("FLAREVOX_CAPTURE_FRAME");
    unsetenv("FLAREVOX_SIMULATED_FPS");
}

// Arrows in the chart: one per lane of every note.
unsigned arrowsInChart(const std::filesystem::path& dwi)
{
    StepFileManager chart;
    if (chart.parseFile(dwi.c_str()) != 0)
        return 0;
    unsigned arrows = 0;
    std::size_t cursor = 0;
    for (char note; (note = StepFileManager::takeStep(chart.getNotes(), cursor)) != '\0';)
        arrows += StepFileManager::decodeNote(note).count;
    return arrows;
}

// What the log tells of the missiles: fired, exploded with a block, caught by the bot.
struct MissileEvents {
    unsigned fired = 0;
    unsigned blocking = 0;
    unsigned caught = 0;
    // Fired by player 2 or flying up player 1's field: none expected, as player 1 leads.
    unsigned intoPlayerOne = 0;
};

MissileEvents readMissileEvents(const std::string& log)
{
    static const std::regex fired(R"(Missile: fired up lane [0-3] of player ([12])'s field)");
    static const std::regex blocked(
        R"(Missile: exploded in lane [0-3] of player ([12])'s field, blocking it for (\d+) ms)");
    static const std::regex caught(R"(AutoplayBot: player 2 caught the missile in lane [0-3])");
    MissileEvents events;
    std::smatch match;
    for (const std::string& line : e2e::linesOf(log)) {
        if (std::regex_search(line, match, fired)) {
            ++events.fired;
            events.intoPlayerOne += match[1] == "1";
        } else if (std::regex_search(line, match, blocked)) {
            events.blocking += std::stoul(match[2]) > 0;
            events.intoPlayerOne += match[1] == "1";
        } else if (std::regex_search(line, caught)) {
            ++events.caught;
        }
    }
    return events;
}

// The log's warnings and errors, to explain a failure.
std::string notices(const std::string& log)
{
    std::string found;
    for (const std::string& line : e2e::linesOf(log))
        if (line.starts_with("WARNING") || line.starts_with("ERROR") || line.starts_with("ArrowManager"))
            found += line + "\n";
    return found;
}

bool pressEscapeUntilExit(GameProcess& game, const std::string& title)
{
    const std::string press = "xdotool search --name '^" + title + "$' windowfocus key Escape >/dev/null 2>&1";
    for (int attempt = 0; attempt < 10 && !game.exited; ++attempt) {
        EXPECT_NE(std::system(press.c_str()), -1);
        game.waitForExit(2s);
    }
    return game.exited;
}

} // namespace

// The bot plays the generated song through to the end on the simulated
// clock: player 1 hits every arrow "Godlike" and earns every missile, fires
// them up player 2's field, where they block lanes and player 2 catches at
// least one; player 2 hits the arrows of its open lanes, less well. A second
// round follows on the next song, and the game ends by itself a few seconds
// after its winner shows.
TEST(AutoplayRun, PlaysTheWholeSongAndEnds)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const unsigned arrows = arrowsInChart(runData / "Dwi/Coconut.DWI");
    ASSERT_GT(arrows, 0u) << "generate the data first";
    testsupport::ScratchDir scratch;
    scratch.write("Conf/global.cfg", config("Flarevox Autoplay " + std::to_string(getpid()), 320, 240, "-6.5"));
    linkData(scratch.path());
    std::filesystem::create_directory_symlink(std::filesystem::path(FLAREVOX_RUN_DIR) / "Songs",
                                              scratch.path() / "Songs");
    setGameEnvironment();
    setenv("FLAREVOX_SIMULATED_FPS", "60", 1);

    // Two rounds: the game's own song, then the next song of the library.
    GameProcess game(scratch.path(), {"--autoplay", "--rounds", "2", "--exit-at-end"});
    ASSERT_TRUE(game.started);
    ASSERT_TRUE(game.waitForExit(15min)) << "the game did not end after the song";
    EXPECT_EQ(game.sanitizerReport(), "");
    EXPECT_EQ(game.exitCode, 0);

    const std::string log = testsupport::readFile(scratch.path() / "output.log");
    const std::string firstRound = log.substr(0, log.find("MainLoop: A new round"));
    const SongOver over = readSongOver(firstRound);
    ASSERT_TRUE(over.found) << "no closing totals in the log";
    EXPECT_EQ(over.players[0].judged, arrows);
    EXPECT_EQ(over.players[0].godlike, arrows);
    EXPECT_EQ(over.players[0].points, 800 * arrows);
    EXPECT_LT(over.players[1].judged, arrows) << "blocked lanes swallow some of player 2's presses";
    EXPECT_GT(over.players[1].judged, arrows / 2);
    EXPECT_LT(over.players[1].points, over.players[0].points);
    EXPECT_EQ(over.winner, "Kai");

    const MissileEvents missiles = readMissileEvents(firstRound);
    EXPECT_EQ(missiles.fired, 4u) << "every threshold's missile is fired";
    EXPECT_GE(missiles.blocking, 1u);
    EXPECT_GE(missiles.caught, 1u);
    EXPECT_EQ(missiles.intoPlayerOne, 0u);

    // The second round starts afresh on the next song, and the bot plays it
    // as exactly.
    const auto second = log.find("ArrowManager: Song over.", log.find("MainLoop: A new round"));
    ASSERT_NE(second, std::string::npos) << "no second round";
    const SongOver again = readSongOver(log.substr(second));
    EXPECT_GT(again.players[0].judged, 0u);
    EXPECT_EQ(again.players[0].godlike, again.players[0].judged);
}

// A forged song with two stops, played from the command line: player 1 on
// the chart with holds, player 2 on the one with mines. The exact bot scores
// "Godlike" on every note through the stops, keeps every hold and keeps off
// every mine.
TEST(AutoplayRun, PlaysAPlayersSongWithStopsHoldsAndMines)
{
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    const std::filesystem::path songs = std::filesystem::path(FLAREVOX_RUN_DIR) / "Songs";
    ASSERT_TRUE(std::filesystem::exists(songs / "Flarevox/Neon Drift")) << "generate the data first";
    testsupport::ScratchDir scratch;
    scratch.write("Conf/global.cfg", config("Flarevox Song " + std::to_string(getpid()), 320, 240, "-6.5"));
    linkData(scratch.path());
    std::filesystem::create_directory_symlink(songs, scratch.path() / "Songs");
    setGameEnvironment();
    setenv("FLAREVOX_SIMULATED_FPS", "30", 1);

    GameProcess game(scratch.path(), {"--song", "Songs/Flarevox/Neon Drift", "--difficulty", "hard", "--difficulty2",
                                      "Challenge", "--autoplay", "--exit-at-end"});
    ASSERT_TRUE(game.started);
    ASSERT_TRUE(game.waitForExit(10min)) << "the game did not end after the song";
    EXPECT_EQ(game.exitCode, 0);

    const std::string log = testsupport::readFile(scratch.path() / "output.log");
    const SongOver over = readSongOver(log);
    ASSERT_TRUE(over.found) << "no closing totals in the log";
    EXPECT_GT(over.players[0].judged, 100u);
    EXPECT_EQ(over.players[0].godlike, over.players[0].judged);
    EXPECT_NE(log.find("ArrowManager: Player 1 holds OK 13, NG 0; mines hit 0"), std::string::npos);
    EXPECT_NE(log.find("ArrowManager: Player 2 holds OK 0, NG 0; mines hit 0"), std::string::npos);
}

// A person at the keyboard: real X key events start a short song with a
// single Up note and press Up on its beat. At 10 BPM an arrow takes one beat,
// 6 s, from spawn to goal, so the note's arrow crosses the goal line at the
// gap, 6 s into the song; a press within 0.05 beats (300 ms) of that is
// "Godlike", which leaves room for the delays of X, the frames and the
// audio device.
TEST(RealPlayerRun, UpOnTheBeatIsGodlike)
{
    // An X server of its own: no other test's window can take the focus
    // between the presses.
    const testsupport::PrivateDisplay display(800, 600);
    ASSERT_TRUE(display.started()) << "Xvfb did not start";
    testsupport::ScratchDir scratch;
    const std::string title = "Flarevox Player Run " + std::to_string(getpid());
    scratch.write("Conf/global.cfg", config(title, 640, 480, "3.0"));
    linkData(scratch.path(), {"Dwi", "Music"});
    forge::DwiWriter chart;
    chart.tag("BPM", "10.000");
    chart.tag("GAP", "6000");
    chart.chart("SINGLE", "BEGINNER", 1, {"8"});
    std::filesystem::create_directories(scratch.path() / "Data/Dwi");
    chart.write(scratch.path() / "Data/Dwi/Coconut.DWI");
    forge::PcmAudio quiet;
    quiet.samples.assign(static_cast<std::size_t>(quiet.sampleRate) * 8, 0.0f);
    std::filesystem::create_directories(scratch.path() / "Data/Music");
    forge::Mp3Writer::write(scratch.path() / "Data/Music/coconut.mp3", quiet);
    setGameEnvironment();

    GameProcess game(scratch.path());
    ASSERT_TRUE(game.started);
    const auto log = scratch.path() / "output.log";
    for (int wait = 0; wait < 600 && testsupport::readFile(log).find("INITIALIZING DONE") == std::string::npos; ++wait)
        ASSERT_FALSE(game.waitForExit(100ms)) << "the game ended during start-up";
    std::this_thread::sleep_for(1s);

    // Player 2: O starts the song, Up is pressed 6 s later. One xdotool run
    // times both presses, so they share the same delivery delay. Each key is
    // held for a few frames even of a slow (sanitizer) build: the game reads
    // its key flags once per frame, and holding either key longer changes
    // nothing (the song ignores the held starting press, the arrow is judged
    // once).
    const std::string play = "xdotool search --sync --name '^" + title
        + "$' windowfocus --sync keydown o sleep 0.4 keyup o sleep 5.6 keydown Up sleep 0.4 keyup Up";
    ASSERT_EQ(std::system(play.c_str()), 0);

    for (int wait = 0; wait < 200 && !readSongOver(testsupport::readFile(log)).found; ++wait)
        ASSERT_FALSE(game.waitForExit(100ms)) << "the game ended before the song";
    ASSERT_TRUE(pressEscapeUntilExit(game, title));
    EXPECT_EQ(game.sanitizerReport(), "");
    EXPECT_EQ(game.exitCode, 0);

    const std::string text = testsupport::readFile(log);
    SCOPED_TRACE(notices(text));
    const SongOver over = readSongOver(text);
    ASSERT_TRUE(over.found) << "the song did not end";
    EXPECT_EQ(over.players[1].godlike, 1u);
    EXPECT_EQ(over.players[1].points, 800u);
    EXPECT_EQ(over.players[0].points, 0u);
    EXPECT_EQ(over.winner, "Lani");
}
