#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "game/StepFileManager.h"
#include "platform/Dialog.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string unknownTokenText(const std::string& tag)
{
    return "The File contains the Token \"" + tag + "\" which we don't procced. This can cause false Playback.";
}

class StepFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OutputHandler::instance()->open("output.log");
        platform::Dialog::setCapture([this](const std::string& title, const std::string& text) {
            EXPECT_EQ(title, "Flarevox Message");
            boxes.push_back(text);
        });
        reader = new StepFileManager();
    }

    void TearDown() override
    {
        platform::Dialog::clearCapture();
        OutputHandler::instance()->close();
        ObjectRegistry::destroy();
    }

    // Writes the chart under the game's path and reads it.
    int parse(const std::string& contents)
    {
        scratch.write("Data/Dwi/Coconut.DWI", contents);
        return reader->parseFile("Data\\Dwi\\Coconut.DWI");
    }

    std::string log() const { return testsupport::readFile(scratch.path() / "output.log"); }

    testsupport::ScratchDir scratch;
    StepFileManager* reader = nullptr;
    std::vector<std::string> boxes;
};

TEST_F(StepFileTest, ReadsTempoGapAndTheBeginnerChart)
{
    const std::string chart = "#TITLE:Coconut;\n#ARTIST:Us;\n#FILE:coconut.mp3;\n#BPM:128;\n#GAP:-250;\n"
                              "#SAMPLESTART:12.5;\n#SAMPLELENGTH:10;\n#CDTITLE:x;\n"
                              "#SINGLE:BASIC:3:2222;\n#SINGLE:BEGINNER:2:8000\n4000;\n"
                              "#DOUBLE:BEGINNER:2:11111111;\n#SOLO:BEGINNER:1:333;\n";
    EXPECT_EQ(parse(chart), 0);
    EXPECT_EQ(reader->getNotes(), "80004000");
    EXPECT_FLOAT_EQ(reader->getBpm(), 128.0f);
    EXPECT_EQ(reader->getGap(), -250);
    EXPECT_FLOAT_EQ(reader->getSampleStart(), 12.5f);
    EXPECT_TRUE(boxes.empty());
    EXPECT_NE(log().find("File:Data\\Dwi\\Coconut.DWI has been opened \n"), std::string::npos);
}

TEST_F(StepFileTest, CarriageReturnLineFeedReadsAsLineFeed)
{
    parse("#BPM:120;\r\n#SINGLE:BEGINNER:1:80\r\n08;\r\n");
    EXPECT_EQ(reader->getNotes(), "8008");
    EXPECT_FLOAT_EQ(reader->getBpm(), 120.0f);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StepFileTest, ValueConversionSkipsLeadingBlanksAndStopsAtJunk)
{
    parse("#BPM: 120.5;#GAP:-250ms;#SAMPLESTART:\t3e1x;");
    EXPECT_FLOAT_EQ(reader->getBpm(), 120.5f);
    EXPECT_EQ(reader->getGap(), -250);
    EXPECT_FLOAT_EQ(reader->getSampleStart(), 30.0f);

    parse("#GAP:99999999999;#BPM:fast;");
    EXPECT_EQ(reader->getGap(), INT_MAX);
    EXPECT_FLOAT_EQ(reader->getBpm(), 0.0f);
}

TEST_F(StepFileTest, DecimalConversionTakesOnlyDecimalNumbers)
{
    EXPECT_FLOAT_EQ(StepFileManager::toDecimalFloat("1e3"), 1000.0f);
    EXPECT_FLOAT_EQ(StepFileManager::toDecimalFloat(".5"), 0.5f);
    EXPECT_FLOAT_EQ(StepFileManager::toDecimalFloat("5."), 5.0f);
    EXPECT_FLOAT_EQ(StepFileManager::toDecimalFloat("+7e"), 7.0f);
    EXPECT_FLOAT_EQ(StepFileManager::toDecimalFloat("-2.5E-1"), -0.25f);
    for (const char* junk : {"", ".", "-", "e5", "inf", "nan", "0x10", "1e999", "-1e40"})
        EXPECT_EQ(StepFileManager::toDecimalFloat(junk), 0.0f) << junk;
}

TEST_F(StepFileTest, UnknownOrMisspelledTagsRaiseOneBoxEachAndChangeNothing)
{
    parse("#TITLE :x;\n#bpm:100;\n#BPM:90;\n#CHANGEBPMS:1=2;\n#CHANGEBPMS:3=4;\n");
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0], unknownTokenText("TITLE "));
    EXPECT_EQ(boxes[1], unknownTokenText("bpm"));
    EXPECT_EQ(boxes[2], unknownTokenText("CHANGEBPMS"));
    EXPECT_EQ(boxes[3], unknownTokenText("CHANGEBPMS"));
    EXPECT_FLOAT_EQ(reader->getBpm(), 90.0f);
    EXPECT_NE(log().find("ERROR: " + unknownTokenText("bpm") + " \n"), std::string::npos);
}

TEST_F(StepFileTest, TextOutsideEntriesLeaksIntoNames)
{
    parse("#TITLE:x; #BPM:120;");
    EXPECT_FLOAT_EQ(reader->getBpm(), 120.0f);
    parse("#TITLE:x;z#BPM:120;");
    EXPECT_FLOAT_EQ(reader->getBpm(), 0.0f);
    parse("#TITLE:x;\n#BPM:140;");
    EXPECT_FLOAT_EQ(reader->getBpm(), 140.0f);
    EXPECT_TRUE(boxes.empty());

    parse("// a comment\n#TITLE:x;#BPM:150;");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], unknownTokenText("// a commentTITLE"));
    EXPECT_FLOAT_EQ(reader->getBpm(), 150.0f);
}

TEST_F(StepFileTest, ChartSelection)
{
    parse("#SINGLE:BEGINNER:1:80;#SINGLE:BEGINNER:9:04;");
    EXPECT_EQ(reader->getNotes(), "8004");
    // Another difficulty, a blank in the difficulty, or notes past field 3.
    parse("#SINGLE:BASIC:1:80;#SINGLE: BEGINNER:1:80;#SINGLE:BEGINNER:1:80:77;");
    EXPECT_EQ(reader->getNotes(), "80");
    parse("#SINGLE:BASIC:1:80;");
    EXPECT_EQ(reader->getNotes(), "");
}

TEST_F(StepFileTest, MissingFileLogsItsLineAndEmptiesTheChart)
{
    parse("#BPM:120;#GAP:10;#SINGLE:BEGINNER:1:8888;");
    EXPECT_EQ(reader->parseFile("Data\\Dwi\\Missing.DWI"), -1);
    EXPECT_EQ(reader->getNotes(), "");
    EXPECT_FLOAT_EQ(reader->getBpm(), 120.0f);
    EXPECT_EQ(reader->getGap(), 10);
    EXPECT_NE(log().find("File:Data\\Dwi\\Missing.DWI has been opened \n"), std::string::npos);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StepFileTest, TextInMemoryReadsAsTheFileDoes)
{
    const std::string text = "#BPM:90;\r\n#SINGLE:BEGINNER:1:8\r\r\n4\r";
    parse(text);
    auto* fromText = new StepFileManager();
    fromText->parseText(text);
    EXPECT_EQ(fromText->getNotes(), reader->getNotes());
    EXPECT_EQ(fromText->getNotes(), "8\r4\r");
    EXPECT_FLOAT_EQ(fromText->getBpm(), 90.0f);
}

TEST_F(StepFileTest, GarbageNeverCrashes)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(4096, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() % 8 == 0 ? "#:;!"[random() % 4] : random() % 256);
        parse(bytes);
        std::size_t cursor = 0;
        for (std::size_t step = 0; step <= reader->getNotes().size() + 2; ++step)
            StepFileManager::takeStep(reader->getNotes(), cursor);
        EXPECT_LE(cursor, reader->getNotes().size());
    }
}

std::vector<char> playSteps(const std::string& notes, int steps)
{
    std::vector<char> played;
    std::size_t cursor = 0;
    for (int i = 0; i < steps; ++i)
        played.push_back(StepFileManager::takeStep(notes, cursor));
    return played;
}

TEST(NoteSteps, HoldPairsTakeNoStepAndTheEndIsSticky)
{
    EXPECT_EQ(playSteps("8!8008", 5), (std::vector<char>{'8', '0', '0', '8', '\0'}));
    // A "!" at or next to the end ends the chart.
    EXPECT_EQ(playSteps("8!", 3), (std::vector<char>{'8', '\0', '\0'}));
    EXPECT_EQ(playSteps("8!8", 3), (std::vector<char>{'8', '\0', '\0'}));
    EXPECT_EQ(playSteps("!!2", 2), (std::vector<char>{'2', '\0'}));
    EXPECT_EQ(playSteps(std::string("4\0" "8", 3), 3), (std::vector<char>{'4', '\0', '\0'}));
    EXPECT_EQ(playSteps("", 2), (std::vector<char>{'\0', '\0'}));
}

TEST(NoteSteps, NoteAlphabet)
{
    const auto lanes = [](char note) {
        const StepFileManager::NoteArrows arrows = StepFileManager::decodeNote(note);
        return std::vector<Lane>(arrows.lanes.begin(), arrows.lanes.begin() + arrows.count);
    };
    EXPECT_EQ(lanes('1'), (std::vector<Lane>{LaneLeft, LaneDown}));
    EXPECT_EQ(lanes('2'), (std::vector<Lane>{LaneDown}));
    EXPECT_EQ(lanes('3'), (std::vector<Lane>{LaneRight, LaneDown}));
    EXPECT_EQ(lanes('4'), (std::vector<Lane>{LaneLeft}));
    EXPECT_EQ(lanes('5'), (std::vector<Lane>{LaneRight, LaneUp}));
    EXPECT_EQ(lanes('6'), (std::vector<Lane>{LaneRight}));
    EXPECT_EQ(lanes('7'), (std::vector<Lane>{LaneLeft, LaneUp}));
    EXPECT_EQ(lanes('8'), (std::vector<Lane>{LaneUp}));
    EXPECT_EQ(lanes('A'), (std::vector<Lane>{LaneLeft, LaneRight}));
    EXPECT_EQ(lanes('B'), (std::vector<Lane>{LaneUp, LaneDown}));
    for (char silent : std::string("09a!b()[]{}<>\0", 14))
        EXPECT_TRUE(lanes(silent).empty()) << silent;
}

} // namespace
