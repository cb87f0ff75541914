#include "support/GameProcess.h"
#include "library/ReplayFile.h"
#include "support/PrivateDisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <set>

// Every file the game reads at start-up, broken one at a time in three ways:
// the real game starts from a copy of the run folder with that file missing,
// cut to half its size, or replaced by as many random bytes. It must say so in
// the words the readers use, play on with autoplay and still draw, and end
// with exit code 0 on Escape; only a broken configuration ends it with code 5.

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path runFolder = FLAREVOX_RUN_DIR;

enum class Damage { Missing, Half, Random };
constexpr const char* damageNames[] = {"Missing", "Half", "Random"};

struct FaultCase {
    std::string name;
    std::vector<std::string> files;
    Damage damage;
    std::vector<std::string> logLines;    // substrings of output.log
    std::vector<std::string> errorLines;  // substrings of standard error
    int exitCode = 0;
    bool playsOn = true;                  // until Escape; else it ends by itself
    bool damagesLibrary = false;          // adds unplayable song folders to Songs/
    bool replaysLostSong = false;         // starts with a replay of a song that is gone
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FaultCase& fault, std::ostream* out)
{
    *out << fault.name;
}

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

// The three damages of the files, each case with the given log lines.
std::array<FaultCase, 3> everyDamage(const std::string& name, const std::vector<std::string>& files,
                                     const std::vector<std::string>& logLines = {})
{
    std::array<FaultCase, 3> cases;
    for (std::size_t i = 0; i < cases.size(); ++i)
        cases[i] = {name + damageNames[i], files, static_cast<Damage>(i), logLines, {}};
    return cases;
}

// A level 4 report: the log line and the message box, which goes to standard error.
void expectError(FaultCase& fault, const std::string& message)
{
    fault.logLines.push_back("ERROR: " + message);
    fault.errorLines.push_back("[Flarevox Message] " + message);
}

std::vector<std::string> frameFiles(const std::string& prefix)
{
    std::vector<std::string> files;
    for (int frame = 0; frame < 30; ++frame) {
        char name[16];
        std::snprintf(name, sizeof name, "%04d.tga", frame);
        files.push_back(prefix + name);
    }
    return files;
}

// The cut falls inside the pixels: the uncompressed decoder, and the
// run-length decoder inside a raw packet or a run, say so in their own words.
constexpr const char* uncompressedCut = "Could not read image data from";
constexpr const char* rawPacketCut = "Could not read image data from file";
constexpr const char* runCut = "Could not read from file";

// Messages name a texture by the path it was asked for, which for the
// dancer's texture is the model's folder as written in the game.
void addTexture(std::vector<FaultCase>& cases, const std::string& name, const std::vector<std::string>& files,
                const std::string& halfMessage, const std::string& requested = "")
{
    // Every frame of a sequence is broken; its first and last frame are checked.
    const std::vector<std::string> checked = !requested.empty() ? std::vector<std::string>{requested}
        : files.size() > 1                                      ? std::vector<std::string>{files.front(), files.back()}
                                                                : files;
    auto [missing, half, random] = everyDamage(name, files);
    for (const std::string& file : checked) {
        expectError(missing, "Could not open texture file " + quoted(file) + ".");
        expectError(half, halfMessage + " " + quoted(file));
        expectError(random, "TGA file be type 2 or type 10: " + quoted(file) + ".");
    }
    cases.insert(cases.end(), {missing, half, random});
}

void addBitmap(std::vector<FaultCase>& cases, const std::string& name, const std::string& file)
{
    auto [missing, half, random] = everyDamage(name, {file}, {"...Loading Texture " + quoted(file) + "."});
    expectError(half, "Could not read image data from the bitmap " + quoted(file) + ".");
    expectError(random, "Bitmap " + quoted(file) + " is not a 24-bit uncompressed BMP.");
    cases.insert(cases.end(), {missing, half, random});
}

void addSound(std::vector<FaultCase>& cases, const std::string& name, const std::string& file)
{
    auto [missing, half, random] = everyDamage(name, {file});
    expectError(missing, "The Stream could not be opened: " + file);
    half.logLines.push_back("Sound: Loading Sound Stream " + file);
    expectError(random, "The Stream could not be opened: " + file);
    cases.insert(cases.end(), {missing, half, random});
}

void addMesh(std::vector<FaultCase>& cases, const std::string& name, const std::string& file)
{
    auto meshCases = everyDamage(name, {file}, {"...Loading Model " + quoted(file) + "."});
    expectError(meshCases[0], "Could not open the model file " + quoted(file) + ".");
    cases.insert(cases.end(), meshCases.begin(), meshCases.end());
}

std::vector<FaultCase> allCases()
{
    std::vector<FaultCase> cases;

    const std::string config = "Conf/global.cfg";
    FaultCase configMissing{"ConfigMissing", {config}, Damage::Missing, {}, {}, 5, false};
    configMissing.errorLines.push_back("The following Config File could not be found: " + quoted(config));
    // Half the file keeps the window settings but loses the player sections;
    // random bytes hold no section at all.
    FaultCase configHalf{"ConfigHalf", {config}, Damage::Half, {}, {}, 5, false};
    expectError(configHalf, "Could not find the configuration for Player 1");
    // Random bytes hold no "Window" section: a window of 0 x 0 pixels cannot
    // be made, which ends the game before its log is opened.
    FaultCase configRandom{"ConfigRandom", {config}, Damage::Random, {}, {}, 0, false};
    configRandom.errorLines = {"Window: size 0x0 is out of range", "[Error] Error Creating OpenGL Window"};
    cases.insert(cases.end(), {configMissing, configHalf, configRandom});

    const std::string chart = "Data/Dwi/Coconut.DWI";
    const std::string opened = "File:Data\\Dwi\\Coconut.DWI has been opened";
    cases.push_back({"ChartMissing", {chart}, Damage::Missing,
                     {opened, "WARNING: StepFileManager: Could not read the step file 'Data\\Dwi\\Coconut.DWI'."}, {}});
    cases.push_back({"ChartHalf", {chart}, Damage::Half, {opened}, {}});
    FaultCase chartRandom{"ChartRandom", {chart}, Damage::Random, {opened}, {}};
    expectError(chartRandom, "The File contains the Token");
    cases.push_back(chartRandom);

    addSound(cases, "Song", "Data/Music/coconut.mp3");
    for (const char* effect : {"dominating", "godlike", "humiliation", "rampage", "perfect", "ultrakill", "explosion1"}) {
        std::string name = effect;
        name[0] = static_cast<char>(std::toupper(name[0]));
        addSound(cases, name + "Sound", std::string("Data/Sound/") + effect + ".wav");
    }

    addTexture(cases, "GoalTexture", {"Data/Textures/spaceshiptexture3.tga"}, rawPacketCut);
    addTexture(cases, "ArrowTexture", {"Data/Textures/spaceshiptexture2.tga"}, uncompressedCut);
    addTexture(cases, "Sidebar1Texture", {"Data/Textures/Sidebar/Sidebar_1.tga"}, runCut);
    addTexture(cases, "Sidebar2Texture", {"Data/Textures/Sidebar/Sidebar_2.tga"}, rawPacketCut);
    addTexture(cases, "DancerTexture", {"Data/Animation/male_dancer_1/dancer.tga"}, uncompressedCut,
               "Data\\Animation\\male_dancer_1/dancer.tga");
    addTexture(cases, "DiscoFrames", frameFiles("Data/Textures/ParticleSystem/disco/disco"), uncompressedCut);
    addTexture(cases, "ExplosionFrames", frameFiles("Data/Textures/ParticleSystem/Explosion3/ex"), rawPacketCut);
    addBitmap(cases, "MissileTexture", "Data/Textures/missle1.bmp");
    addBitmap(cases, "ParticleTexture", "Data/Textures/ParticleSystem/part1.bmp");

    FaultCase library{"LibraryDamaged", {}, Damage::Missing, {}, {}};
    library.damagesLibrary = true;
    cases.push_back(library);

    addMesh(cases, "ArrowMesh", "Data/Models/pfeil.3DS");
    addMesh(cases, "MissileMesh", "Data/Models/missile.3ds");

    // The model's reader says why on standard error; the dancer names the model as the game asks for it.
    const char* const modelReasons[] = {"Couldn't open the model file.", "runs past the end of the file.", "Not an MS3D file."};
    auto modelCases = everyDamage("DancerModel", {"Data/Animation/male_dancer_1/dancer.ms3d"});
    for (std::size_t i = 0; i < modelCases.size(); ++i) {
        modelCases[i].errorLines.push_back(modelReasons[i]);
        expectError(modelCases[i], "Could not open ms3d file 'Data\\Animation\\male_dancer_1\\dancer.ms3d'.");
        cases.push_back(modelCases[i]);
    }
    FaultCase lostSong{"ReplayMissingSong", {}, Damage::Missing,
        {"Match: The replay cannot be played: its song 'Songs/Gone' is missing"}, {}};
    lostSong.replaysLostSong = true;
    // A refused replay is a failure, not a game that ended well.
    lostSong.exitCode = 1;
    cases.push_back(lostSong);
    return cases;
}

// A replay file of a round on a song no longer there.
void writeLostSongReplay(const fs::path& file)
{
    library::RecordedRound round;
    round.song = "Songs/Gone";
    round.songLengthUs = 60'000'000;
    round.players[0].inputs.push_back({1'000'000, 1, false, library::RoundInput::Godlike, 16});
    std::string problem;
    library::ReplayFile::save(file, round, problem);
}

std::vector<FaultCase> selectedCases()
{
    std::vector<FaultCase> cases = allCases();
#ifdef FLAREVOX_FAULTS_SUBSET
    // One case of every reader and damage, for the slow sanitizer build.
    static const std::set<std::string> subset{"ConfigMissing", "ConfigHalf", "ChartRandom", "SongHalf",
        "GodlikeSoundRandom", "ArrowTextureHalf", "DiscoFramesRandom", "MissileTextureRandom", "ArrowMeshRandom",
        "DancerModelHalf", "DancerModelRandom", "LibraryDamaged", "ReplayMissingSong"};
    std::erase_if(cases, [](const FaultCase& fault) { return !subset.contains(fault.name); });
#endif
    return cases;
}

// The window's caption, by which the case finds its game to press Escape.
std::string windowTitle(const FaultCase& fault)
{
    return "Flarevox Fault " + fault.name + " " + std::to_string(getpid());
}

// The run folder, linked file by file, with the broken files written afresh.
// The configuration, when it is not the broken file, is copied with the
// case's own window caption.
void buildFolder(const fs::path& folder, const FaultCase& fault)
{
    const std::set<std::string> broken(fault.files.begin(), fault.files.end());
    std::mt19937 random(20261206);
    for (auto it = fs::recursive_directory_iterator(runFolder); it != fs::recursive_directory_iterator(); ++it) {
        const fs::directory_entry& entry = *it;
        const fs::path relative = fs::relative(entry.path(), runFolder);
        const fs::path target = folder / relative;
        // The player's records and log are no start-up files, and another
        // game in the run folder may make or remove them at any moment.
        const std::string name = relative.string();
        if (it.depth() == 0
            && (name.starts_with("records.sqlite") || name.starts_with("songcache.sqlite") || name == "output.log"))
            continue;
        // Song folders are linked whole: a music file linked on its own would
        // lie outside its song's folder.
        if (entry.is_directory() && *relative.begin() == "Songs" && it.depth() == 2) {
            fs::create_directory_symlink(entry.path(), target);
            it.disable_recursion_pending();
        } else if (entry.is_directory()) {
            fs::create_directories(target);
        } else if (broken.contains(relative.generic_string())) {
            std::string bytes = testsupport::readFile(entry.path());
            if (fault.damage == Damage::Half)
                bytes.resize(bytes.size() / 2);
            for (char& byte : bytes)
                byte = fault.damage == Damage::Random ? static_cast<char>(random() & 0xFF) : byte;
            if (fault.damage != Damage::Missing)
                std::ofstream(target, std::ios::binary) << bytes;
        } else if (relative == "Conf/global.cfg") {
            // A small window: the cases are about the files, and drawing
            // fewer pixels in software keeps the matrix quick.
            const std::string titled = std::regex_replace(testsupport::readFile(entry.path()),
                std::regex("\nTitle = [^\n]*"), "\nTitle = " + windowTitle(fault));
            std::ofstream(target) << std::regex_replace(titled, std::regex("\nWidth = 1024\nHeight = 768"),
                "\nWidth = 320\nHeight = 240");
        } else {
            fs::create_symlink(entry.path(), target);
        }
    }
}

// Song folders that cannot be played, each with the start of the game's line
// for it; the last line counts the game's own song, the three forged ones
// and the six of the World Tour pack. The locked folder's reason depends on
// who runs the test: root reads it all the same.
std::vector<std::string> writeDamagedLibrary(const fs::path& folder)
{
    const fs::path broken = folder / "Songs/Broken";
    const std::string chart = "#TITLE:Lost;#MUSIC:lost.ogg;#BPMS:0=120;#NOTES:dance-single::Easy:1:0,0,0,0,0:1000\n;";
    for (const char* name : {"Empty", "MusicOnly", "MissingMusic", "Garbage", "Locked"})
        fs::create_directories(broken / name);
    fs::copy_file(runFolder / "Data/Sound/godlike.wav", broken / "MusicOnly/song.wav");
    std::ofstream(broken / "MissingMusic/lost.sm") << chart;
    std::ofstream(broken / "Garbage/garbage.ssc", std::ios::binary) << std::string("\x7f\0#NOTEDATA:\xff;#BPMS:=;", 22);
    fs::permissions(broken / "Locked", fs::perms::none);
    fs::create_directory_symlink("..", broken / "Loop");
    const std::string prefix = "Song library: left out 'Songs/Broken";
    return {prefix + "/Empty': no .ssc", prefix + "/Garbage': garbage.ssc", prefix + "/Locked': ",
        prefix + "/Loop': symbolic link loop", prefix + "/MissingMusic': music file 'lost.ogg' not found",
        prefix + "/MusicOnly': no .ssc", "SongLibrary: 10 songs"};
}

// A frame with something drawn on it: the fields, sidebars and texts light
// far more than a few pixels even when every texture is gone.
bool showsTheScene(const fs::path& capture)
{
    e2e::Picture picture;
    if (!e2e::readPpm(capture, picture))
        return false;
    int lit = 0;
    for (int row = 0; row < picture.height; ++row)
        for (int column = 0; column < picture.width; ++column)
            lit += picture.lit(column, row) ? 1 : 0;
    return lit > picture.width * picture.height / 50;
}

class FaultMatrix : public testing::TestWithParam<FaultCase> {};

} // namespace

TEST_P(FaultMatrix, ReportsThePlaysOnAndEndsOnEscape)
{
    // A server of its own: cases run side by side with each other and with
    // tests that type into the focused window.
    const testsupport::PrivateDisplay display(1024, 768);
    ASSERT_TRUE(display.started()) << "Xvfb did not start";
    ASSERT_TRUE(fs::exists(runFolder / "Conf/global.cfg")) << "generate the data first";
    const FaultCase& fault = GetParam();
    testsupport::ScratchDir scratch;
    const fs::path folder = scratch.path() / "run";
    buildFolder(folder, fault);
    std::vector<std::string> logLines = fault.logLines;
    if (fault.damagesLibrary)
        std::ranges::copy(writeDamagedLibrary(folder), std::back_inserter(logLines));
    const fs::path capture = scratch.path() / "frame.ppm";
    // Two and a half seconds: the bot starts the song after one.
    e2e::setRunEnvironment(
        {{"FLAREVOX_SIMULATED_FPS", "60"}, {"FLAREVOX_CAPTURE_FRAME", capture}, {"FLAREVOX_CAPTURE_AFTER", "150"}});

    std::vector<std::string> options{"--autoplay"};
    if (fault.replaysLostSong) {
        writeLostSongReplay(folder / "lost.flvxr");
        options.insert(options.end(), {"--replay", "lost.flvxr"});
    }
    e2e::GameProcess game(folder, options);
    if (fault.playsOn) {
        ASSERT_TRUE(e2e::waitForFile(capture, game, 300s))
            << "no frame drawn; exit code " << game.exitCode << "\n" << game.errors();
        EXPECT_TRUE(showsTheScene(capture));
        ASSERT_TRUE(e2e::pressEscapeUntilExit(game, windowTitle(fault))) << "Escape did not end the game";
    } else {
        ASSERT_TRUE(game.waitForExit(120s)) << "the game did not end";
    }
    EXPECT_EQ(game.exitCode, fault.exitCode);

    const std::string log = fs::exists(folder / "output.log") ? testsupport::readFile(folder / "output.log") : "";
    const std::string errors = game.errors();
    SCOPED_TRACE("log notices:\n" + e2e::notices(log) + "stderr:\n" + errors.substr(0, 4000));
    for (const std::string& line : logLines)
        EXPECT_NE(log.find(line), std::string::npos) << "not in the log: " << line;
    for (const std::string& line : fault.errorLines)
        EXPECT_NE(errors.find(line), std::string::npos) << "not on standard error: " << line;
    EXPECT_EQ(log.find("FATAL"), std::string::npos);
    if (fault.damagesLibrary)
        fs::permissions(folder / "Songs/Broken/Locked", fs::perms::owner_all);
}

INSTANTIATE_TEST_SUITE_P(EveryStartUpFile, FaultMatrix, testing::ValuesIn(selectedCases()),
                         [](const testing::TestParamInfo<FaultCase>& info) { return info.param.name; });
