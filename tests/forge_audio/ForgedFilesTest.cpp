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

class Forged : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(forgedData().ok) << forgedData().error; }
};

TEST_F(Forged, EveryEffectIsAShortCleanPcmWav)
{
    for (const char* name : {"dominating", "godlike", "humiliation", "rampage", "perfect", "ultrakill", "explosion1"}) {
        SCOPED_TRACE(name);
        const auto sound = forge::SoundFileReader::read(forgedData().root / "Data/Sound" / (std::string(name) + ".wav"));
        ASSERT_TRUE(sound);
        EXPECT_EQ(std::tuple(sound->format, sound->audio.sampleRate, sound->audio.channels),
                  std::tuple(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1)) << "16-bit PCM WAV, mono, 44.1 kHz";
        const auto& samples = sound->audio.samples;
        EXPECT_TRUE(samples.size() > 0.3 * 44100 && samples.size() < 3.0 * 44100) << samples.size();
        // Loud but not clipped, and no click at either end.
        EXPECT_TRUE(peakOf(samples) > 0.5f && peakOf(samples) < 0.95f) << peakOf(samples);
        EXPECT_TRUE(std::fabs(samples.front()) < 0.2f && std::fabs(samples.back()) < 0.05f);
    }
}

TEST_F(Forged, ConfigHoldsEveryKeyTheGameReadsWithDistinctPlayerKeys)
{
    const ForgedConfig forged;
    const ConfigFileParser& config = forged.config;
    auto window = config.getSection("Window");
    EXPECT_FALSE(window["Title"].empty());
    for (const auto& [key, value] : {std::pair{"Width", 1024}, {"Height", 768}, {"BitsPerPixel", 32}, {"StartFullscreen", 0}})
        EXPECT_EQ(window.count(key) ? ConfigFileParser::toInt(window[key]) : -1, value) << key;
    const int volume = ConfigFileParser::toInt(config.getSection("Sound")["MasterVolume"]);
    EXPECT_TRUE(volume > 0 && volume <= 255) << volume;
    EXPECT_GT(ConfigFileParser::toInt(config.getSection("SpecialFX")["MaxParticels"]), 0);
    // Arrows appear wholly below the visible bottom (-5.8, arrows are about
    // 0.9 long) and the judgement window ends below the miss height 5.0.
    const double goal = ConfigFileParser::toFloat(config.getValue("Goalposy", "General"));
    EXPECT_LT(ConfigFileParser::toFloat(config.getValue("Spawnposy", "General")), -5.8 - 0.45);
    EXPECT_TRUE(goal > 3.0 && goal + 0.5 < 5.0) << goal;

    // Up, Down, Right, Left, then the four slots; Escape and F1 to F3 belong to the main loop.
    const std::vector<int> arrows[] = {{'W', 'S', 'D', 'A'}, {0x26, 0x28, 0x27, 0x25}};
    const int slotKey[] = {'X', 'O'};
    std::set<int> used = {0x1B, 0x70, 0x71, 0x72};
    for (int player = 0; player < 2; ++player) {
        const std::string name = "Player" + std::to_string(player + 1);
        SCOPED_TRACE(name);
        auto section = config.getSection(name);
        EXPECT_FALSE(section["Name"].empty());
        EXPECT_EQ(section["UseJoystick"], "0");
        std::vector<int> codes;
        for (const char* key : {"KeyUp", "KeyDown", "KeyRight", "KeyLeft", "KeySlot1", "KeySlot2", "KeySlot3", "KeySlot4"}) {
            codes.push_back(ConfigFileParser::toHex(section[key]) & 0xFF);
            EXPECT_TRUE(codes.back() != 0 && used.insert(codes.back()).second) << key << " unset or taken";
        }
        EXPECT_EQ(std::vector<int>(codes.begin(), codes.begin() + 4), arrows[player]);
        EXPECT_NE(std::find(codes.begin() + 4, codes.end(), slotKey[player]), codes.end());
    }
}

TEST_F(Forged, ConfigLinesFitTheReadersBufferAndKeysAreUnique)
{
    std::istringstream text(testsupport::readFile(forgedData().root / "Conf/global.cfg"));
    std::string line, section;
    std::set<std::string> seen;
    while (std::getline(text, line)) {
        EXPECT_LT(line.size() + 1, 80u) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos);
        section = line.starts_with('[') ? line : section;
        // A repeated key would read differently through a section table and a single lookup.
        const bool entry = !line.empty() && line[0] != '#' && line[0] != '[';
        EXPECT_TRUE(!entry || seen.insert(section + line.substr(0, line.find('='))).second) << line;
    }
}
