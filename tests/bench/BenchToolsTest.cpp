#include "BenchChart.h"
#include "BenchOptions.h"
#include "BenchTable.h"
#include "ScratchRunFolder.h"
#include "Stats.h"
#include "game/StepFileManager.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(BenchStats, EdgeCasesOfPercentilesSlopesAndCurvature)
{
    EXPECT_EQ(stats::percentile({}, 50), 0.0);
    for (const auto& [percent, value] : {std::pair{0.0, 1.0}, {50.0, 2.0}, {99.0, 4.0}, {250.0, 4.0}})
        EXPECT_EQ(stats::percentile({4, 1, 3, 2}, percent), value) << percent;
    EXPECT_EQ(stats::standardDeviation({5}), 0.0);
    EXPECT_DOUBLE_EQ(stats::slope({1, 2, 3}, {2, 4, 6}), 2.0);
    EXPECT_EQ(stats::slope({1, 1, 1}, {2, 4, 6}), 0.0);
    EXPECT_DOUBLE_EQ(stats::lastStepCurvature({0, 300, 3000, 30000}, {1, 1.3, 4, 31}), 1.0);
    EXPECT_DOUBLE_EQ(stats::lastStepCurvature({1, 4, 16}, {0, 3, 27}), 2.0);
    EXPECT_EQ(stats::lastStepCurvature({1, 4}, {0, 3}), 0.0);
    EXPECT_EQ(stats::lastStepCurvature({1, 4, 4}, {0, 3, 9}), 0.0);   // no rise in x
    EXPECT_EQ(stats::lastStepCurvature({1, 4, 16}, {3, 3, 9}), 0.0);  // flat lower step
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
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), pipe));
    std::fclose(pipe);
    BenchTable read;
    int taken = 0;
    for (const std::string& line : testsupport::linesOf(text))
        taken += read.parseLine(line);
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

namespace {

// Arrows the game spawns for each note, as its own decoder reads them.
std::size_t arrowsIn(const std::string& notes)
{
    std::size_t count = 0;
    for (const char note : notes)
        count += StepFileManager::decodeNote(note).count;
    return count;
}

} // namespace

TEST(BenchChart, DensityCountsArrowsPerFourBeatsEvenlySpread)
{
    EXPECT_EQ(BenchChart::notes(16, 1), "4000000080000000");
    EXPECT_EQ(BenchChart::notes(8, 4), "40806020");
    for (const int density : {0, 1, 2, 4, 8, 16}) {
        const std::string notes = BenchChart::notes(80, density);
        ASSERT_EQ(notes.size(), 80u);
        EXPECT_EQ(arrowsIn(notes), static_cast<std::size_t>(density) * 10) << density;
    }
    EXPECT_EQ(arrowsIn(BenchChart::notes(8, 99)), 16u); // held at two arrows per step
    EXPECT_EQ(BenchChart::notes(3, 16).size(), 3u);     // a chart shorter than a bar

    StepFileManager chart;
    chart.parseText(BenchChart::dwi(BenchChart::notes(100, 16), 128.0f, -250));
    EXPECT_EQ(chart.getNotes(), BenchChart::notes(100, 16)); // survives the line wrapping
    EXPECT_FLOAT_EQ(chart.getBpm(), 128.0f);
    EXPECT_EQ(chart.getGap(), -250);
}

TEST(ScratchRunFolder, SetsTheParticleCountOnlyInItsSection)
{
    const std::string other = "[Window]\nMaxParticels = 7\nWidth = 1024\n";
    EXPECT_EQ(ScratchRunFolder::withMaxParticles(other + "[SpecialFX]\nMaxParticels = 60\n", 300),
        other + "[SpecialFX]\nMaxParticels = 300\n");
    // Missing key: added under the header, before the next section.
    EXPECT_EQ(ScratchRunFolder::withMaxParticles("[SpecialFX]\n# none\n[Sound]\n", 0),
        "[SpecialFX]\nMaxParticels = 0\n# none\n[Sound]\n");
    // Missing section; a look-alike key is left alone; no final line feed.
    EXPECT_EQ(ScratchRunFolder::withMaxParticles("[Window]\nWidth = 1", 5),
        "[Window]\nWidth = 1\n[SpecialFX]\nMaxParticels = 5\n");
    EXPECT_EQ(ScratchRunFolder::withMaxParticles("[SpecialFX]\nMaxParticelsX = 1\nMaxParticels=2\n", 9),
        "[SpecialFX]\nMaxParticelsX = 1\nMaxParticels = 9\n");
}
