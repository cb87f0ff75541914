#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ConfigFileParserTest : public ::testing::Test {
protected:
    void SetUp() override { OutputHandler::instance()->open(); }
    void TearDown() override { ObjectRegistry::destroy(); }

    ConfigFileParser* parse(const std::string& text)
    {
        scratch.write("Conf/test.cfg", text);
        auto* config = new ConfigFileParser();
        EXPECT_TRUE(config->parse("Conf/test.cfg"));
        return config;
    }
    std::string log() const { return testsupport::readFile(scratch.path() / "output.log"); }

    testsupport::ScratchDir scratch;
};

TEST_F(ConfigFileParserTest, KeyLinesKeepOneBlankRuleAndTrimTrailingBlanks)
{
    const auto* config = parse("[Window]\n"
                               "Width = 800\n"
                               "Height=600\n"
                               "Depth =32\n"
                               "Wide =  640\n"
                               "Title = Dance Night   \t\n"
                               "Hash = A#B // not a comment\n"
                               "/ x = 1\n"
                               "Crlf = yes\r\n");
    EXPECT_EQ(config->getValue("Width", "Window"), "800");
    EXPECT_EQ(config->getValue("Height", "Window"), "600");
    EXPECT_EQ(config->getValue("Depth", "Window"), "32");
    EXPECT_EQ(config->getValue("Wide", "Window"), " 640");
    EXPECT_EQ(config->getInt("Wide", "Window"), 640);
    EXPECT_EQ(config->getValue("Title", "Window"), "Dance Night");
    EXPECT_EQ(config->getValue("Hash"), "A#B // not a comment");
    EXPECT_EQ(config->getValue("/ x"), "1");
    EXPECT_EQ(config->getValue("Crlf"), "yes");
}

TEST_F(ConfigFileParserTest, CommentsIndentedAndEqualsLessLinesAreIgnored)
{
    const auto* config = parse("# Width = 1\n"
                               "// Width = 2\n"
                               "  Width = 3\n"
                               "\tWidth = 4\n"
                               "\n"
                               "no equals here\n"
                               "Width = 5\n");
    EXPECT_EQ(config->getValue("Width"), "5");
    EXPECT_EQ(config->getSection("").size(), 2u);
}

TEST_F(ConfigFileParserTest, SectionNamesKeepBlanksAndEmptyBracketsMeanNoSection)
{
    const auto* config = parse("Early = e\n"
                               "[ Window ]\n"
                               "Width = 1\n"
                               "[]\n"
                               "Late = l\n"
                               "[Open\n"
                               "Tail = t\n");
    EXPECT_EQ(config->getValue("Width", "Window"), "");
    EXPECT_EQ(config->getValue("Width", " Window "), "1");
    EXPECT_EQ(config->getValue("Early", ""), "e");
    EXPECT_EQ(config->getSection("").at("Late"), "l");
    EXPECT_EQ(config->getValue("Tail", "Open"), "t");
}

TEST_F(ConfigFileParserTest, DuplicateKeysFirstForValueLastForSection)
{
    const auto* config = parse("[Player1]\nName = Ann\nName = Bob\n[Player2]\nName = Cid\n");
    EXPECT_EQ(config->getValue("Name", "Player1"), "Ann");
    EXPECT_EQ(config->getSection("Player1").at("Name"), "Bob");
    EXPECT_EQ(config->getValue("Name"), "Ann");
    EXPECT_EQ(config->getValue("Name", "Player2"), "Cid");
}

TEST_F(ConfigFileParserTest, MissingSectionAndUnparsedReaderWarnWithOnlyTheEmptyEntry)
{
    const auto* unparsed = new ConfigFileParser();
    const auto early = unparsed->getSection("Window");
    EXPECT_EQ(early.size(), 1u);
    EXPECT_EQ(early.begin()->first, "");

    const auto* config = parse("[Window]\nWidth = 1\n");
    EXPECT_EQ(config->getSection("Sound").size(), 1u);
    EXPECT_NE(log().find("WARNING: Trying to access the section 'Window' of the config file, but the file is not "
                         "parsed yet! \n"),
              std::string::npos);
    EXPECT_NE(log().find("WARNING: Could not find the section 'Sound' of the config file. Expect Problems! \n"),
              std::string::npos);
    EXPECT_NE(log().find("Parsing the config file 'Conf/test.cfg'... \nParsing done... \n"), std::string::npos);
}

TEST_F(ConfigFileParserTest, LongLinesAreReadWhole)
{
    const std::string longValue(300, 'v');
    const auto* config = parse("Long = " + longValue + "\nNext = n\n");
    EXPECT_EQ(config->getValue("Long"), longValue);
    EXPECT_EQ(config->getValue("Next"), "n");
}

TEST_F(ConfigFileParserTest, TextInMemoryReadsAsTheFileDoes)
{
    using namespace std::string_literals;
    const std::string text = "[W]\r\nA = 1\r\n\r\nB = x\0y\n\rC = 3\nD = last"s;
    const auto* fromFile = parse(text);
    auto* fromText = new ConfigFileParser();
    EXPECT_FALSE(fromText->isParsed());
    fromText->parseText(text);
    EXPECT_TRUE(fromText->isParsed());
    EXPECT_EQ(fromText->getSection("W"), fromFile->getSection("W"));
    EXPECT_EQ(fromText->getValue("A", "W"), "1");
    EXPECT_EQ(fromText->getValue("B", "W"), "x\0y"s);
    EXPECT_EQ(fromText->getValue("\rC", "W"), "3");
    EXPECT_EQ(fromText->getValue("D", "W"), "last");
}

TEST_F(ConfigFileParserTest, ConversionsStopAtFirstMisfitAndClamp)
{
    EXPECT_EQ(ConfigFileParser::toInt("  42abc"), 42);
    EXPECT_EQ(ConfigFileParser::toInt(""), 0);
    EXPECT_EQ(ConfigFileParser::toInt("99999999999999"), 2147483647);
    EXPECT_EQ(ConfigFileParser::toHex("0x26"), 0x26);
    EXPECT_EQ(ConfigFileParser::toHex("5A"), 0x5A);
    EXPECT_DOUBLE_EQ(ConfigFileParser::toFloat("-6.5 units"), -6.5);
    EXPECT_DOUBLE_EQ(ConfigFileParser::toFloat("none"), 0.0);
}

using ConfigFileParserDeathTest = ConfigFileParserTest;

TEST_F(ConfigFileParserDeathTest, MissingFileEndsWithFiveAndItsMessage)
{
    EXPECT_EXIT(ConfigFileParser().parse("Conf/nothere.cfg"), testing::ExitedWithCode(5),
                "The following Config File could not be found: 'Conf/nothere.cfg'");
    EXPECT_NE(log().find("ERROR: The following Config File could not be found: 'Conf/nothere.cfg' \n"),
              std::string::npos);
}

TEST_F(ConfigFileParserDeathTest, RequiredEmptyValueEndsWithFive)
{
    const auto* config = parse("[General]\nEmpty =\n");
    EXPECT_EXIT(config->getRequired("Empty", "General"), testing::ExitedWithCode(5),
                "The required element 'Empty' could not be fetched from the config file!");
}

} // namespace
