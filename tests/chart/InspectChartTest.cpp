#include "support/TestSupport.h"

#include <gtest/gtest.h>

// A jump counts two notes and one jump; a hold head is a note and a hold; the
// last note's time includes the stop before it.
TEST(InspectChart, DescribesTheSongTempoAndEveryChart)
{
    testsupport::ScratchDir scratch;
    scratch.write("demo.sm", "#TITLE:Demo;\n#ARTIST:Us;\n#MUSIC:demo.ogg;\n#OFFSET:-0.25;\n#BPMS:0=120,8=60;\n"
                             "#STOPS:2=0.5;\n#NOTES:dance-single::Hard:9::1001\n2000\n3000\nM010\n,\n1100\n;\n"
                             "#NOTES:dance-double::Hard:9::00000000;\n#NOTES:dance-single::Edit:1::;\n");
    const testsupport::CommandRun run =
        testsupport::runCommand(std::string(FLAREVOX_INSPECT) + " " + (scratch.path() / "demo.sm").string());
    EXPECT_EQ(run.status, 0) << run.out;
    for (const char* line : {"\ntitle: Demo\n", "\nartist: Us\n", "\nmusic: demo.ogg\n", "\nbeat 0 at 250 ms\n",
             "\nbpm 120 at beat 0\n", "\nbpm 60 at beat 8\n", "\nstop 0.5 s at beat 2\n",
             "\nchart dance-single Hard 9: notes 6, jumps 2, holds 1, mines 1, first 250 ms, last 2750 ms\n",
             "\nchart dance-single Edit 1: notes 0, jumps 0, holds 0, mines 0, first - ms, last - ms\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
    EXPECT_EQ(run.out.find("dance-double"), std::string::npos);
}
