#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "game/StepFileManager.h"
#include "platform/Dialog.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::string unknownToken(const std::string& tag)
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

// What a chart reads as: its notes, tempo, gap and sample start, and the
// message boxes of tags it does not know.
struct Read {
    const char* what;
    std::string text;
    std::string notes;
    float bpm;
    int gap = 0;
    float sampleStart = 0.0f;
    std::vector<std::string> boxes = {};
};

TEST_F(StepFileTest, ReadsEntriesAsTheGameDoes)
{
    const Read cases[] = {
        {"the beginner chart only", "#TITLE:Coconut;\n#ARTIST:Us;\n#FILE:coconut.mp3;\n#BPM:128;\n#GAP:-250;\n"
            "#SAMPLESTART:12.5;\n#SAMPLELENGTH:10;\n#CDTITLE:x;\n#SINGLE:BASIC:3:2222;\n#SINGLE:BEGINNER:2:8000\n"
            "4000;\n#DOUBLE:BEGINNER:2:11111111;\n#SOLO:BEGINNER:1:333;\n", "80004000", 128.0f, -250, 12.5f},
        {"CR LF as LF", "#BPM:120;\r\n#SINGLE:BEGINNER:1:80\r\n08;\r\n", "8008", 120.0f},
        {"lone CRs stay", "#BPM:90;\r\n#SINGLE:BEGINNER:1:8\r\r\n4\r", "8\r4\r", 90.0f},
        {"blanks and junk around values", "#BPM: 120.5;#GAP:-250ms;#SAMPLESTART:\t3e1x;", "", 120.5f, -250, 30.0f},
        {"numbers out of range", "#GAP:99999999999;#BPM:fast;", "", 0.0f, INT_MAX},
        {"beginner charts together", "#SINGLE:BEGINNER:1:80;#SINGLE:BEGINNER:9:04;", "8004", 0.0f},
        {"another difficulty, a blank or notes past field 3",
            "#SINGLE:BASIC:1:80;#SINGLE: BEGINNER:1:80;#SINGLE:BEGINNER:1:80:77;", "80", 0.0f},
        {"no beginner chart", "#SINGLE:BASIC:1:80;", "", 0.0f},
        {"unknown or misspelled tags", "#TITLE :x;\n#bpm:100;\n#BPM:90;\n#CHANGEBPMS:1=2;\n#CHANGEBPMS:3=4;\n", "",
            90.0f, 0, 0.0f, {unknownToken("TITLE "), unknownToken("bpm"), unknownToken("CHANGEBPMS"),
            unknownToken("CHANGEBPMS")}},
        // Text outside entries leaks into the next tag's name.
        {"a blank between entries", "#TITLE:x; #BPM:120;", "", 120.0f},
        {"a letter between entries", "#TITLE:x;z#BPM:120;", "", 0.0f},
        {"a comment", "// a comment\n#TITLE:x;#BPM:150;", "", 150.0f, 0, 0.0f, {unknownToken("// a commentTITLE")}},
    };
    for (const Read& read : cases) {
        SCOPED_TRACE(read.what);
        boxes.clear();
        reader = new StepFileManager();
        EXPECT_EQ(parse(read.text), 0);
        EXPECT_EQ(reader->getNotes(), read.notes);
        EXPECT_FLOAT_EQ(reader->getBpm(), read.bpm);
        EXPECT_EQ(reader->getGap(), read.gap);
        EXPECT_FLOAT_EQ(reader->getSampleStart(), read.sampleStart);
        EXPECT_EQ(boxes, read.boxes);
        auto* fromText = new StepFileManager();
        fromText->parseText(read.text);
        EXPECT_EQ(fromText->getNotes(), read.notes) << "read from memory";
    }
    EXPECT_NE(log().find("ERROR: " + unknownToken("bpm") + " \n"), std::string::npos);
    // A missing file logs its line and empties the chart; the values stay.
    parse("#BPM:120;#SINGLE:BEGINNER:1:8888;");
    EXPECT_EQ(reader->parseFile("Data\\Dwi\\Missing.DWI"), -1);
    EXPECT_EQ(reader->getNotes(), "");
    EXPECT_FLOAT_EQ(reader->getBpm(), 120.0f);
    for (const char* file : {"Coconut", "Missing"})
        EXPECT_NE(log().find("File:Data\\Dwi\\" + std::string(file) + ".DWI has been opened \n"), std::string::npos);
}

TEST_F(StepFileTest, DecimalConversionTakesOnlyDecimalNumbers)
{
    for (const auto& [text, value] : {std::pair{"1e3", 1000.0f}, {".5", 0.5f}, {"5.", 5.0f}, {"+7e", 7.0f},
             {"-2.5E-1", -0.25f}, {"", 0.0f}, {".", 0.0f}, {"-", 0.0f}, {"e5", 0.0f}, {"inf", 0.0f}, {"nan", 0.0f},
             {"0x10", 0.0f}, {"1e999", 0.0f}, {"-1e40", 0.0f}})
        EXPECT_EQ(StepFileManager::toDecimalFloat(text), value) << text;
}

// "!" pairs take no step; a "!" at or next to the end, or a NUL, ends the chart.
TEST(NoteSteps, HoldPairsTakeNoStepAndTheEndIsSticky)
{
    const std::pair<std::string, std::string> cases[] = {{"8!8008", "8008"}, {"8!", "8"}, {"8!8", "8"}, {"!!2", "2"},
                                                         {std::string("4\0" "8", 3), "4"}, {"", ""}};
    for (const auto& [notes, steps] : cases) {
        std::string played;
        std::size_t cursor = 0;
        for (std::size_t i = 0; i < steps.size() + 2; ++i)
            played.push_back(StepFileManager::takeStep(notes, cursor));
        EXPECT_EQ(played, steps + std::string(2, '\0')) << notes;
    }
}

TEST(NoteSteps, NoteAlphabet)
{
    const std::pair<char, std::vector<Lane>> cases[] = {{'1', {LaneLeft, LaneDown}}, {'2', {LaneDown}},
        {'3', {LaneRight, LaneDown}}, {'4', {LaneLeft}}, {'5', {LaneRight, LaneUp}}, {'6', {LaneRight}},
        {'7', {LaneLeft, LaneUp}}, {'8', {LaneUp}}, {'A', {LaneLeft, LaneRight}}, {'B', {LaneUp, LaneDown}}};
    for (const auto& [note, lanes] : cases) {
        const StepFileManager::NoteArrows arrows = StepFileManager::decodeNote(note);
        EXPECT_EQ(std::vector<Lane>(arrows.lanes.begin(), arrows.lanes.begin() + arrows.count), lanes) << note;
    }
    for (char silent : std::string("09a!b()[]{}<>\0", 14))
        EXPECT_EQ(StepFileManager::decodeNote(silent).count, 0u) << silent;
}

} // namespace
