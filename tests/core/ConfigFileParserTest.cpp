#include "core/ConfigFileParser.h"
#include "core/ConfigFileWriter.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using namespace std::string_literals;

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

// One blank is taken on each side of '='; trailing blanks go; comments and
// indented or '='-less lines are skipped; section names keep their blanks; a
// key's first line wins for a value, its last for its section.
TEST_F(ConfigFileParserTest, LookupsFollowTheLineRules)
{
    const std::string keys = "[Window]\nWidth = 800\nHeight=600\nDepth =32\nWide =  640\nTitle = Dance Night   \t\n"
                             "Hash = A#B // not a comment\n/ x = 1\nCrlf = yes\r\n";
    const std::string skipped = "# Width = 1\n// Width = 2\n  Width = 3\n\tWidth = 4\n\nno equals here\nWidth = 5\n";
    const std::string sections = "Early = e\n[ Window ]\nWidth = 1\n[]\nLate = l\n[Open\nTail = t\n";
    const std::string twice = "[Player1]\nName = Ann\nName = Bob\n[Player2]\nName = Cid\n";
    const std::string longLine = "Long = " + std::string(300, 'v') + "\nNext = n\n";
    struct Case {
        const std::string& text;
        const char* key;
        const char* section;
        std::string value;
        bool fromSection = false;
    };
    const Case cases[] = {{keys, "Width", "Window", "800"}, {keys, "Height", "Window", "600"},
        {keys, "Depth", "Window", "32"}, {keys, "Wide", "Window", " 640"}, {keys, "Title", "Window", "Dance Night"},
        {keys, "Hash", "", "A#B // not a comment"}, {keys, "/ x", "", "1"}, {keys, "Crlf", "", "yes"},
        {skipped, "Width", "", "5"}, {sections, "Width", "Window", ""}, {sections, "Width", " Window ", "1"},
        {sections, "Early", "", "e"}, {sections, "Late", "", "l", true}, {sections, "Tail", "Open", "t"},
        {twice, "Name", "Player1", "Ann"}, {twice, "Name", "Player1", "Bob", true}, {twice, "Name", "", "Ann"},
        {twice, "Name", "Player2", "Cid"}, {longLine, "Long", "", std::string(300, 'v')}, {longLine, "Next", "", "n"}};
    for (const Case& c : cases) {
        const auto* config = parse(c.text);
        const std::string value = c.fromSection ? config->getSection(c.section).at(c.key) : config->getValue(c.key, c.section);
        EXPECT_EQ(value, c.value) << c.key << " in [" << c.section << "] of\n" << c.text;
    }
    EXPECT_EQ(parse(keys)->getInt("Wide", "Window"), 640);
    EXPECT_EQ(parse(skipped)->getSection("").size(), 2u) << "the empty entry and Width";
}

TEST_F(ConfigFileParserTest, MissingSectionAndUnparsedReaderWarnWithOnlyTheEmptyEntry)
{
    const ConfigFileParser::Section onlyTheEmptyEntry{{"", ""}};
    EXPECT_EQ((new ConfigFileParser())->getSection("Window"), onlyTheEmptyEntry);
    EXPECT_EQ(parse("[Window]\nWidth = 1\n")->getSection("Sound"), onlyTheEmptyEntry);
    for (const char* line : {"WARNING: Trying to access the section 'Window' of the config file, but the file is not "
                             "parsed yet! \n",
             "WARNING: Could not find the section 'Sound' of the config file. Expect Problems! \n",
             "Parsing the config file 'Conf/test.cfg'... \nParsing done... \n"})
        EXPECT_NE(log().find(line), std::string::npos) << line;
}

TEST_F(ConfigFileParserTest, TextInMemoryReadsAsTheFileDoes)
{
    const std::string text = "[W]\r\nA = 1\r\n\r\nB = x\0y\n\rC = 3\nD = last"s;
    auto* fromText = new ConfigFileParser();
    EXPECT_FALSE(fromText->isParsed());
    fromText->parseText(text);
    EXPECT_TRUE(fromText->isParsed());
    EXPECT_EQ(parse(text)->getSection("W"), fromText->getSection("W"));
    EXPECT_EQ(fromText->getSection("W"),
        (ConfigFileParser::Section{{"", ""}, {"A", "1"}, {"B", "x\0y"s}, {"\rC", "3"}, {"D", "last"}}));
}

TEST(ConfigFileParserConversions, StopAtFirstMisfitAndClamp)
{
    EXPECT_EQ(ConfigFileParser::toInt("  42abc"), 42);
    EXPECT_EQ(ConfigFileParser::toInt(""), 0);
    EXPECT_EQ(ConfigFileParser::toInt("99999999999999"), 2147483647);
    EXPECT_EQ(ConfigFileParser::toHex("0x26"), 0x26);
    EXPECT_EQ(ConfigFileParser::toHex("5A"), 0x5A);
    EXPECT_DOUBLE_EQ(ConfigFileParser::toFloat("-6.5 units"), -6.5);
    EXPECT_DOUBLE_EQ(ConfigFileParser::toFloat("none"), 0.0);
}

struct Edit {
    const char* before;
    const char* after;
};

TEST_F(ConfigFileParserTest, WriterChangesOnlyTheOneLineOrAddsIt)
{
    const Edit edits[] = {
        // The value changes; comments, order, other sections and CR-LF stay.
        {"# mine\r\n[Sound]\r\nMasterVolume = 200\r\nGlobalOffset = 12\r\n[SpecialFX]\r\nMaxParticels = 60\r\n",
         "# mine\r\n[Sound]\r\nMasterVolume = 200\r\nGlobalOffset = -25\r\n[SpecialFX]\r\nMaxParticels = 60\r\n"},
        // The last of two lines is the one a reader takes; blanks before '='.
        {"[Sound]\nGlobalOffset\t= 1\nGlobalOffset  = 2\n", "[Sound]\nGlobalOffset\t= 1\nGlobalOffset = -25\n"},
        // A key of the same name in another section, or a longer key, is not it.
        {"[Window]\nGlobalOffset = 3\n[Sound]\nGlobalOffsetX = 4\nMasterVolume = 9\n\n[General]\n",
         "[Window]\nGlobalOffset = 3\n[Sound]\nGlobalOffsetX = 4\nMasterVolume = 9\nGlobalOffset = -25\n\n[General]\n"},
        // A section ending the file without a line break.
        {"[Sound]\nMasterVolume = 9", "[Sound]\nMasterVolume = 9\nGlobalOffset = -25"},
        // No section: it is added at the end.
        {"[Window]\nWidth = 640", "[Window]\nWidth = 640\n[Sound]\nGlobalOffset = -25\n"},
        {"", "[Sound]\nGlobalOffset = -25\n"},
    };
    for (const Edit& edit : edits) {
        const std::string result = ConfigFileWriter::withValue(edit.before, "Sound", "GlobalOffset", "-25");
        EXPECT_EQ(result, edit.after) << edit.before;
        auto* parser = new ConfigFileParser();
        parser->parseText(result);
        EXPECT_EQ(parser->getSection("Sound")["GlobalOffset"], "-25") << edit.before;
    }
}

TEST_F(ConfigFileParserTest, AFailedWriteLeavesEverythingAsItWas)
{
    EXPECT_FALSE(ConfigFileWriter::setValue("Conf/global.cfg", "Sound", "GlobalOffset", "5"));
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "Conf"));

    scratch.write("Conf/global.cfg", "[Sound]\nGlobalOffset = 1\n");
    ASSERT_TRUE(ConfigFileWriter::setValue("Conf/global.cfg", "Sound", "GlobalOffset", "5"));
    EXPECT_EQ(testsupport::readFile(scratch.path() / "Conf/global.cfg"), "[Sound]\nGlobalOffset = 5\n");

    // The new file cannot be made (its name is taken by a folder).
    std::filesystem::create_directory(scratch.path() / "Conf/global.cfg.new");
    EXPECT_FALSE(ConfigFileWriter::setValue("Conf/global.cfg", "Sound", "GlobalOffset", "9"));
    EXPECT_EQ(testsupport::readFile(scratch.path() / "Conf/global.cfg"), "[Sound]\nGlobalOffset = 5\n");
}

using ConfigFileParserDeathTest = ConfigFileParserTest;

TEST_F(ConfigFileParserDeathTest, MissingFileOrRequiredEmptyValueEndsWithFive)
{
    EXPECT_EXIT(ConfigFileParser().parse("Conf/nothere.cfg"), testing::ExitedWithCode(5),
        "The following Config File could not be found: 'Conf/nothere.cfg'");
    EXPECT_NE(log().find("ERROR: The following Config File could not be found: 'Conf/nothere.cfg' \n"),
        std::string::npos);
    const auto* config = parse("[General]\nEmpty =\n");
    EXPECT_EXIT(config->getRequired("Empty", "General"), testing::ExitedWithCode(5),
        "The required element 'Empty' could not be fetched from the config file!");
}

} // namespace

// Several values land in one write, each on its own line, every other byte kept.
TEST(ConfigFileWriter, SeveralValuesInOneWriteChangeOnlyTheirLines)
{
    testsupport::ScratchDir scratch;
    scratch.write("Conf/global.cfg", "[Player1]\r\nKeyUp = 57\r\n# pad\r\n[Player2]\r\nKeyUp = 26\r\n");
    EXPECT_TRUE(ConfigFileWriter::setValues(
        "Conf/global.cfg", {{"Player1", "PadUp", "button 0"}, {"Player2", "KeyUp", "25"}, {"Player1", "KeyUp", "58"}}));
    EXPECT_EQ(testsupport::readFile(scratch.path() / "Conf/global.cfg"),
              "[Player1]\r\nKeyUp = 58\r\n# pad\r\nPadUp = button 0\r\n[Player2]\r\nKeyUp = 25\r\n");
}
