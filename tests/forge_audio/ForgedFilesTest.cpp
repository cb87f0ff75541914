// The forged sounds, configuration and chart, checked as the game reads them.
#include "ForgedData.h"

#include "support/TestSupport.h"
#include "writers/SoundFileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sndfile.h>
#include <sstream>

using namespace forgetest;

namespace {

float peakOf(const std::vector<float>& samples, std::size_t begin, std::size_t end)
{
    float peak = 0.0f;
    for (std::size_t i = begin; i < end && i < samples.size(); ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

} // namespace

TEST(ForgedSounds, EveryEffectIsAShortCleanPcmWav)
{
    ASSERT_TRUE(forgedData().ok) << forgedData().error;
    for (const char* name : {"dominating", "godlike", "humiliation", "rampage", "perfect", "ultrakill", "explosion1"}) {
        SCOPED_TRACE(name);
        const auto sound = forge::SoundFileReader::read(forgedData().first / "Data/Sound" / (std::string(name) + ".wav"));
        ASSERT_TRUE(sound);
        EXPECT_EQ(sound->format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        EXPECT_EQ(sound->audio.sampleRate, 44100);
        EXPECT_EQ(sound->audio.channels, 1);
        const auto& samples = sound->audio.samples;
        const double seconds = static_cast<double>(samples.size()) / 44100.0;
        EXPECT_GT(seconds, 0.3);
        EXPECT_LT(seconds, 3.0);
        // Loud but not clipped, and no click at either end.
        const float peak = peakOf(samples, 0, samples.size());
        EXPECT_GT(peak, 0.5f);
        EXPECT_LT(peak, 0.95f);
        EXPECT_LT(std::fabs(samples.front()), 0.2f);
        EXPECT_LT(std::fabs(samples.back()), 0.05f);
    }
}

TEST(ForgedConfigFile, HoldsEveryKeyTheGameReads)
{
    ASSERT_TRUE(forgedData().ok) << forgedData().error;
    ForgedConfig forged;
    const ConfigFileParser& config = forged.parser();
    const auto window = config.getSection("Window");
    for (const char* key : {"Title", "Width", "Height", "BitsPerPixel", "StartFullscreen"})
        EXPECT_FALSE(window.count(key) == 0 || window.at(key).empty()) << key;
    EXPECT_EQ(ConfigFileParser::toInt(window.at("Width")), 1024);
    EXPECT_EQ(ConfigFileParser::toInt(window.at("Height")), 768);
    EXPECT_EQ(ConfigFileParser::toInt(window.at("BitsPerPixel")), 32);
    EXPECT_EQ(ConfigFileParser::toInt(window.at("StartFullscreen")), 0);

    const int volume = ConfigFileParser::toInt(config.getSection("Sound")["MasterVolume"]);
    EXPECT_GT(volume, 0);
    EXPECT_LE(volume, 255);
    EXPECT_GT(ConfigFileParser::toInt(config.getSection("SpecialFX")["MaxParticels"]), 0);

    // Arrows appear wholly below the visible bottom (-5.8, arrows are about
    // 0.9 long) and the judgement window ends below the miss height 5.0.
    const double goal = ConfigFileParser::toFloat(config.getValue("Goalposy", "General"));
    const double spawn = ConfigFileParser::toFloat(config.getValue("Spawnposy", "General"));
    EXPECT_LT(spawn, -5.8 - 0.45);
    EXPECT_LT(goal + 0.5, 5.0);
    EXPECT_GT(goal, 3.0);
    for (const char* player : {"Player1", "Player2"}) {
        EXPECT_FALSE(config.getValue("Name", player).empty()) << player;
        EXPECT_EQ(config.getSection(player)["UseJoystick"], "0") << player;
    }
}

TEST(ForgedConfigFile, KeysAreDistinctAndMatchThePrompt)
{
    ASSERT_TRUE(forgedData().ok) << forgedData().error;
    ForgedConfig forged;
    const ConfigFileParser& config = forged.parser();
    const char* keyNames[] = {"KeyUp", "KeyDown", "KeyRight", "KeyLeft", "KeySlot1", "KeySlot2", "KeySlot3", "KeySlot4"};
    // Escape and F1 to F3 belong to the main loop.
    std::set<int> used = {0x1B, 0x70, 0x71, 0x72};
    std::vector<int> codes[3];
    for (int player = 1; player <= 2; ++player) {
        auto section = config.getSection("Player" + std::to_string(player));
        for (const char* key : keyNames) {
            const int code = ConfigFileParser::toHex(section[key]) & 0xFF;
            EXPECT_NE(code, 0) << key;
            EXPECT_TRUE(used.insert(code).second) << "Player" << player << " " << key << " conflicts";
            codes[player].push_back(code);
        }
    }
    // Up, Down, Right, Left as listed above.
    EXPECT_EQ(codes[1], (std::vector<int>{'W', 'S', 'D', 'A', codes[1][4], codes[1][5], codes[1][6], codes[1][7]}));
    EXPECT_EQ(codes[2], (std::vector<int>{0x26, 0x28, 0x27, 0x25, codes[2][4], codes[2][5], codes[2][6], codes[2][7]}));
    EXPECT_NE(std::find(codes[1].begin() + 4, codes[1].end(), 'X'), codes[1].end());
    EXPECT_NE(std::find(codes[2].begin() + 4, codes[2].end(), 'O'), codes[2].end());
}

TEST(ForgedConfigFile, LinesFitTheReadersBufferAndKeysAreUnique)
{
    ASSERT_TRUE(forgedData().ok) << forgedData().error;
    std::istringstream text(testsupport::readFile(forgedData().first / "Conf/global.cfg"));
    std::string line, section;
    std::set<std::string> seen;
    while (std::getline(text, line)) {
        EXPECT_LT(line.size() + 1, 80u) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            section = line;
            continue;
        }
        // A repeated key would read differently through a section table and a single lookup.
        EXPECT_TRUE(seen.insert(section + line.substr(0, line.find('='))).second) << line;
    }
}

TEST(ForgedChart, UsesOnlyAcceptedTagsAndArrowCharacters)
{
    ASSERT_TRUE(forgedData().ok) << forgedData().error;
    const auto chart = readStepFileTags(testsupport::readFile(forgedData().first / "Data/Dwi/Coconut.DWI"));
    const std::vector<std::string> expectedHead = {"TITLE", "ARTIST", "FILE", "BPM", "GAP", "SAMPLESTART", "SAMPLELENGTH"};
    ASSERT_GT(chart.tags.size(), expectedHead.size());
    EXPECT_EQ(std::vector<std::string>(chart.tags.begin(), chart.tags.begin() + 7), expectedHead);
    std::set<std::string> charts;
    for (std::size_t i = 7; i < chart.tags.size(); ++i) {
        EXPECT_TRUE(chart.tags[i] == "SINGLE" || chart.tags[i] == "DOUBLE") << chart.tags[i];
        charts.insert(chart.tags[i]);
    }
    EXPECT_EQ(charts.size(), 2u);
    EXPECT_FALSE(chart.strayText);

    const std::string notes = readChart(forgedData().first / "Data/Dwi/Coconut.DWI").beginnerNotes;
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.find_first_not_of("012346789AB"), std::string::npos);
    // The first beat has a step, and single steps outnumber jumps.
    EXPECT_NE(notes[0], '0');
    const auto singles = std::count_if(notes.begin(), notes.end(), [](char c) { return std::string("2468").find(c) != std::string::npos; });
    const auto jumps = std::count_if(notes.begin(), notes.end(), [](char c) { return std::string("137AB").find(c) != std::string::npos; });
    EXPECT_GT(jumps, 0);
    EXPECT_GT(singles, 10 * jumps);
    // Beginners get at most one step per beat.
    for (std::size_t i = 1; i < notes.size(); i += 2)
        EXPECT_EQ(notes[i], '0') << "half-beat step at " << i;
}
