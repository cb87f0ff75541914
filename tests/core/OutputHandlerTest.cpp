#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "platform/Dialog.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

class OutputHandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::Dialog::setCapture([this](const std::string& title, const std::string& text) {
            boxes.push_back(title + "|" + text);
        });
    }
    void TearDown() override
    {
        platform::Dialog::clearCapture();
        ObjectRegistry::destroy();
    }

    std::string log() const { return testsupport::readFile(scratch.path() / "output.log"); }

    testsupport::ScratchDir scratch;
    std::vector<std::string> boxes;
};

TEST_F(OutputHandlerTest, OpenReplacesOldLogAndWritesBannerThenBlankLine)
{
    scratch.write("output.log", "stale line\n");
    OutputHandler* out = OutputHandler::instance();
    ASSERT_TRUE(out->open());
    EXPECT_TRUE(OutputHandler::log(out, "plain %d", 7));

    const std::regex expected("Flarevox LogFile 'output.log': \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\n \nplain 7 \n");
    EXPECT_TRUE(std::regex_match(log(), expected)) << log();
}

// Every mode switch opens the log afresh in a new handler; none may stay open.
TEST_F(OutputHandlerTest, EachHandlerClosesItsLogWhenDestroyed)
{
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = openFiles();
    for (int run = 0; run < 5; ++run) {
        ASSERT_TRUE(OutputHandler::instance()->open());
        ObjectRegistry::destroy();
    }
    EXPECT_EQ(openFiles(), before);
}

TEST_F(OutputHandlerTest, NothingIsWrittenBeforeOpenOrThroughNull)
{
    EXPECT_FALSE(OutputHandler::log(nullptr, "dropped"));
    OutputHandler* out = OutputHandler::instance();
    EXPECT_FALSE(OutputHandler::log(out, "dropped"));
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "output.log"));
}

TEST_F(OutputHandlerTest, LevelsPrefixLinesAndOnlyErrorsShowBoxes)
{
    OutputHandler* out = OutputHandler::instance();
    out->open("custom.log");
    OutputHandler::report(out, Notice, "n%s", "1");
    OutputHandler::report(out, Warning, "w");
    OutputHandler::report(out, Error, "e");
    OutputHandler::report(out, 0, "zero");
    OutputHandler::report(out, 6, "six");

    const std::string text = testsupport::readFile(scratch.path() / "custom.log");
    EXPECT_NE(text.find("\nNOTICE: n1 \nWARNING: w \nERROR: e \n"), std::string::npos) << text;
    EXPECT_EQ(text.find("zero"), std::string::npos);
    EXPECT_EQ(text.find("six"), std::string::npos);
    EXPECT_EQ(boxes, std::vector<std::string>{"Flarevox Message|e"});
}

TEST_F(OutputHandlerTest, TimestampedLinesCarryUtcTime)
{
    OutputHandler* out = OutputHandler::instance();
    out->open();
    out->setTimestamps(true);
    OutputHandler::log(out, "stamped");
    EXPECT_TRUE(std::regex_search(log(), std::regex("\n\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d: stamped \n$")));
}

TEST_F(OutputHandlerTest, OverlongMessagesAreCutNotOverflowed)
{
    OutputHandler* out = OutputHandler::instance();
    out->open();
    const std::string huge(5000, 'x');
    OutputHandler::report(out, Warning, "%s", huge.c_str());
    const std::string text = log();
    const auto start = text.find("WARNING: ");
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(text.size() - start, 1023u + 2u);
}

TEST_F(OutputHandlerTest, BoxShownEvenWithoutHandler)
{
    OutputHandler::report(nullptr, Error, "no log yet");
    EXPECT_EQ(boxes, std::vector<std::string>{"Flarevox Message|no log yet"});
}

using OutputHandlerDeathTest = OutputHandlerTest;

TEST_F(OutputHandlerDeathTest, FatalWritesItsLineThenExitsWithThree)
{
    EXPECT_EXIT(
        {
            OutputHandler* out = OutputHandler::instance();
            out->open();
            OutputHandler::report(out, Fatal, "boom");
        },
        testing::ExitedWithCode(3), "");
    EXPECT_NE(log().find("FATAL ERROR [Program Stopped]: boom \n"), std::string::npos);
}

TEST_F(OutputHandlerDeathTest, ErrorExitShowsBoxAndExitsWithFive)
{
    EXPECT_EXIT(
        {
            platform::Dialog::clearCapture();
            OutputHandler* out = OutputHandler::instance();
            out->open();
            OutputHandler::report(out, ErrorExit, "gone");
        },
        testing::ExitedWithCode(5), "\\[Flarevox Message\\] gone");
    EXPECT_NE(log().find("ERROR: gone \n"), std::string::npos);
}

} // namespace
