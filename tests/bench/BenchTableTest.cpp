#include "BenchOptions.h"
#include "BenchTable.h"
#include "Stats.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(BenchStats, PercentilesAtTheEdges)
{
    EXPECT_EQ(stats::percentile({}, 50), 0.0);
    EXPECT_EQ(stats::percentile({4, 1, 3, 2}, 0), 1.0);
    EXPECT_EQ(stats::percentile({4, 1, 3, 2}, 50), 2.0);
    EXPECT_EQ(stats::percentile({4, 1, 3, 2}, 99), 4.0);
    EXPECT_EQ(stats::percentile({4, 1, 3, 2}, 250), 4.0);
    EXPECT_EQ(stats::standardDeviation({5}), 0.0);
    EXPECT_DOUBLE_EQ(stats::slope({1, 2, 3}, {2, 4, 6}), 2.0);
    EXPECT_EQ(stats::slope({1, 1, 1}, {2, 4, 6}), 0.0);
}

// Rows cross from the section processes as lines among the game's own output.
TEST(BenchTable, RowsSurviveTheLinesBetweenProcesses)
{
    BenchTable written;
    written.add({"readers", "TGA speed-up", 9.5, "x", "", 0, ">= 1x", "met"});
    written.add({"song clock", "callback", 0.004, "ms", "buffer period", 11.61, "", "info"});
    std::FILE* pipe = std::tmpfile();
    std::fputs("TESTTEST", pipe);
    written.writeLines(pipe);
    std::rewind(pipe);
    BenchTable read;
    char line[1024];
    int taken = 0;
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text = line;
        text.pop_back();
        taken += read.parseLine(text);
    }
    std::fclose(pipe);
    ASSERT_EQ(taken, 2);
    EXPECT_EQ(read.all()[1].reference, "buffer period");
    EXPECT_DOUBLE_EQ(read.all()[1].referenceValue, 11.61);
    EXPECT_EQ(read.all()[0].target, ">= 1x");

    EXPECT_FALSE(read.parseLine("BENCHROW\tonly\tthree\tfields"));
    EXPECT_FALSE(read.parseLine("readers\tx\t1\tms\t\t0\t\tinfo"));
    EXPECT_EQ(read.all().size(), 2u);
}

TEST(BenchTable, CsvQuotesCommasAndQuotes)
{
    const testsupport::ScratchDir scratch;
    BenchTable table;
    table.add({"frame", "cost, \"game\"", 1.5, "ms", "", 0, "", "info"});
    ASSERT_TRUE(table.writeCsv("out.csv"));
    EXPECT_EQ(testsupport::readFile("out.csv"),
        "section,figure,value,unit,reference,reference_value,target,verdict\n"
        "frame,\"cost, \"\"game\"\"\",1.5,ms,,0,,info\n");
    EXPECT_FALSE(table.writeCsv("no/such/folder/out.csv"));
}

TEST(BenchOptions, RejectsUnknownAndNonPositiveArguments)
{
    const auto parse = [](std::vector<std::string> words, BenchOptions& options) {
        words.insert(words.begin(), "flarevox-bench");
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        return options.parse(static_cast<int>(argv.size()), argv.data());
    };
    BenchOptions options;
    EXPECT_TRUE(parse({"--song-seconds=12.5", "--reader-folder=/x y"}, options));
    EXPECT_EQ(options.songSeconds, 12.5);
    EXPECT_EQ(options.forwardedArguments().back(), "--reader-folder=/x y");
    // A step of the growth section appends its own settings, which win.
    EXPECT_TRUE(parse({"--particles=0", "--density=16", "--particles=30000"}, options));
    EXPECT_EQ(options.particles, 30000);
    EXPECT_EQ(options.density, 16);
    for (const char* bad : {"--song-seconds=0", "--song-seconds=-3", "--song-seconds=12s", "--song-seconds=",
             "--song-seconds", "--frames=3", "--reader-seconds=nan", "--particles=-1", "--particles=100001",
             "--particles=3k", "--density=0", "--density=17", "--growth-seconds=0"}) {
        BenchOptions fresh;
        EXPECT_FALSE(parse({bad}, fresh)) << bad;
    }
}
