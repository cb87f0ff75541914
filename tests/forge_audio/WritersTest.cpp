// The writers on their own: what they refuse, and that their output reads back.
#include "ForgedData.h"

#include "core/ObjectRegistry.h"
#include "support/TestSupport.h"
#include "writers/ByteWriter.h"
#include "writers/ConfigWriter.h"
#include "writers/DwiWriter.h"
#include "writers/SoundFileReader.h"
#include "writers/WavWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

TEST(WavWriter, SamplesAreClampedRoundedAndNanIsSilence)
{
    EXPECT_EQ(forge::WavWriter::toPcm16(1.0f), 32767);
    EXPECT_EQ(forge::WavWriter::toPcm16(-1.0f), -32767);
    EXPECT_EQ(forge::WavWriter::toPcm16(7.5f), 32767);
    EXPECT_EQ(forge::WavWriter::toPcm16(-std::numeric_limits<float>::infinity()), -32767);
    EXPECT_EQ(forge::WavWriter::toPcm16(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(forge::WavWriter::toPcm16(0.5f / 32767.0f + 1e-7f), 1);
}

TEST(WavWriter, StereoFileReadsBackThroughLibsndfile)
{
    testsupport::ScratchDir scratch;
    forge::PcmAudio audio;
    audio.sampleRate = 22050;
    audio.channels = 2;
    audio.samples = {0.0f, 0.25f, -0.5f, 1.0f, 0.125f, -1.0f};
    forge::WavWriter::write("x.wav", audio);
    EXPECT_EQ(std::filesystem::file_size("x.wav"), 44u + 12u);

    const auto back = forge::SoundFileReader::read("x.wav");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->audio.sampleRate, 22050);
    ASSERT_EQ(back->audio.channels, 2);
    ASSERT_EQ(back->audio.samples.size(), audio.samples.size());
    for (std::size_t i = 0; i < audio.samples.size(); ++i)
        EXPECT_NEAR(back->audio.samples[i], audio.samples[i], 1.0 / 32768) << i;
}

TEST(WavWriter, RefusesFormatsWithoutChannelsOrRate)
{
    forge::PcmAudio audio;
    audio.channels = 0;
    EXPECT_THROW(forge::WavWriter::encode(audio), std::invalid_argument);
    audio.channels = 1;
    audio.sampleRate = 0;
    EXPECT_THROW(forge::WavWriter::encode(audio), std::invalid_argument);
}

TEST(SoundFileReader, TruncatedAndForeignFilesGiveNoAudio)
{
    testsupport::ScratchDir scratch;
    forge::PcmAudio audio;
    audio.samples.assign(1000, 0.5f);
    const auto bytes = forge::WavWriter::encode(audio);
    forge::writeFile("header-only.wav", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 20));
    forge::writeFile("text.wav", std::string("#TITLE:Coconut;\n"));
    std::string error;
    EXPECT_FALSE(forge::SoundFileReader::read("header-only.wav", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(forge::SoundFileReader::read("text.wav"));
    EXPECT_FALSE(forge::SoundFileReader::read("missing.wav"));
}

TEST(ConfigWriter, RefusesLinesTheReaderCannotReadBack)
{
    forge::ConfigWriter config;
    EXPECT_THROW(config.comment(std::string(77, 'x')), std::length_error);
    EXPECT_NO_THROW(config.comment(std::string(76, 'x')));
    EXPECT_THROW(config.value("Title", "two\nlines"), std::invalid_argument);
    EXPECT_THROW(config.value(" Indented", "1"), std::invalid_argument);
    EXPECT_THROW(config.value("//Key", "1"), std::invalid_argument);
    EXPECT_THROW(config.value("A=B", "1"), std::invalid_argument);
    EXPECT_THROW(config.value("Title", " padded"), std::invalid_argument);
    EXPECT_THROW(config.value("Title", "padded\t"), std::invalid_argument);
}

TEST(ConfigWriter, ValuesReadBackThroughTheGamesReader)
{
    testsupport::ScratchDir scratch;
    forge::ConfigWriter config;
    config.section("Player1");
    config.value("Name", "A#B // not a comment");
    config.keyCode("KeySlot3", 'X');
    config.keyCode("KeyUp", 0x126); // kept to one byte
    config.value("Empty", "");
    config.write("Conf/global.cfg");

    auto* reader = new ConfigFileParser; // owned by the registry
    ASSERT_TRUE(reader->parse("Conf/global.cfg"));
    EXPECT_EQ(reader->getValue("Name", "Player1"), "A#B // not a comment");
    EXPECT_EQ(ConfigFileParser::toHex(reader->getValue("KeySlot3", "Player1")), 0x58);
    EXPECT_EQ(ConfigFileParser::toHex(reader->getValue("KeyUp", "Player1")), 0x26);
    EXPECT_EQ(reader->getSection("Player1").count("Empty"), 1u);
    ObjectRegistry::destroy();
}

TEST(DwiWriter, WrappedNotesReadBackWhole)
{
    forge::DwiWriter dwi;
    dwi.tag("BPM", "128.000");
    const std::string notes = std::string(forge::DwiWriter::notesPerLine, '8') + "2460";
    dwi.chart("SINGLE", "BEGINNER", 1, {notes});
    dwi.chart("DOUBLE", "BEGINNER", 2, {"44", "66"});
    EXPECT_EQ(dwi.text().find('\r'), std::string::npos);

    const auto tags = forgetest::readStepFileTags(dwi.text());
    EXPECT_EQ(tags.tags, (std::vector<std::string>{"BPM", "SINGLE", "DOUBLE"}));
    EXPECT_FALSE(tags.strayText);
    testsupport::ScratchDir scratch;
    forge::writeFile("chart.dwi", dwi.text());
    const auto chart = forgetest::readChart("chart.dwi");
    EXPECT_EQ(chart.beginnerNotes, notes);
    EXPECT_FLOAT_EQ(chart.bpm, 128.0f);
}
