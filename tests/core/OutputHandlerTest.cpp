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

// Opening replaces an old log with the banner and a blank line; a line ends
// with a blank, carries the UTC time when asked, and is cut at 1023 characters.
TEST_F(OutputHandlerTest, OpenReplacesOldLogAndLinesFollowTheFormat)
{
    scratch.write("output.log", "stale line\n");
    OutputHandler* out = OutputHandler::instance();
    ASSERT_TRUE(out->open());
    EXPECT_TRUE(OutputHandler::log(out, "plain %d", 7));
    OutputHandler::report(out, Warning, "%s", std::string(5000, 'x').c_str());
    out->setTimestamps(true);
    OutputHandler::log(out, "stamped");
    const std::string stamp = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d";
    const std::regex expected("Flarevox LogFile 'output.log': " + stamp + "\n \nplain 7 \nWARNING: x{1014} \n" + stamp
        + ": stamped \n");
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

// Without an open log nothing is written, but an error still shows its box.
// With one, the levels prefix their lines and only errors show boxes.
TEST_F(OutputHandlerTest, LevelsPrefixLinesAndOnlyErrorsShowBoxesLogOrNot)
{
    OutputHandler* out = OutputHandler::instance();
    EXPECT_FALSE(OutputHandler::log(nullptr, "dropped"));
    EXPECT_FALSE(OutputHandler::log(out, "dropped"));
    OutputHandler::report(nullptr, Error, "no log yet");
    EXPECT_FALSE(std::filesystem::exists(scratch.path() / "output.log"));

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
    EXPECT_EQ(boxes, (std::vector<std::string>{"Flarevox Message|no log yet", "Flarevox Message|e"}));
}

using OutputHandlerDeathTest = OutputHandlerTest;

// A fatal report writes its line and exits with 3; an error that ends the
// program shows its box and exits with 5.
TEST_F(OutputHandlerDeathTest, FatalExitsWithThreeAndErrorExitWithFive)
{
    const auto reportOpen = [](int level, const char* text) {
        platform::Dialog::clearCapture();
        OutputHandler* out = OutputHandler::instance();
        out->open();
        OutputHandler::report(out, level, text);
    };
    EXPECT_EXIT(reportOpen(Fatal, "boom"), testing::ExitedWithCode(3), "");
    EXPECT_NE(log().find("FATAL ERROR [Program Stopped]: boom \n"), std::string::npos);
    EXPECT_EXIT(reportOpen(ErrorExit, "gone"), testing::ExitedWithCode(5), "\\[Flarevox Message\\] gone");
    EXPECT_NE(log().find("ERROR: gone \n"), std::string::npos);
}

} // namespace
