#include "LibraryFiles.h"

#include "library/SongSync.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using library::SongSync;

const SongSync::Key songKey{"Songs/Pack/Song", 0x0123456789abcdefull};
const SongSync::Key other{"Songs/Pack/Other", 42};

// Offsets are whole ms within 2 s either way: ten minutes are clamped, a
// song set back to 0 is forgotten, and the rest is read back at the next start.
TEST(SongSync, OffsetsAreClampedAndKeptAcrossStarts)
{
    const testsupport::ScratchDir scratch;
    {
        SongSync sync;
        EXPECT_EQ(sync.offsetMs(songKey), 0);
        EXPECT_EQ(sync.setOffsetMs(songKey, 600000), SongSync::largestOffsetMs);
        EXPECT_EQ(sync.setOffsetMs(songKey, -600000), -SongSync::largestOffsetMs);
        EXPECT_EQ(sync.setOffsetMs(songKey, -17), -17);
        sync.setOffsetMs(other, 5);
        sync.save();
        sync.setOffsetMs(other, 0);
        EXPECT_TRUE(sync.takeMessages().empty());
    }
    SongSync again;
    EXPECT_EQ(again.offsetMs(songKey), -17);
    EXPECT_EQ(again.offsetMs(other), 0);
    EXPECT_EQ(again.offsetMs({songKey.first, songKey.second + 1}), 0) << "an edited chart starts from 0";
    EXPECT_TRUE(again.takeMessages().empty());
}

// Rows written by hand with offsets outside the range or not numbers are
// left out with one line; the others play.
TEST(SongSync, GarbageInTheTableIsLeftOutWithALine)
{
    const testsupport::ScratchDir scratch;
    {
        SongSync sync;
        sync.setOffsetMs(songKey, 12);
    }
    ASSERT_TRUE(librarytest::runSql(SongSync::fileName, {"INSERT INTO song_sync VALUES ('x', 1, 600000)",
        "INSERT INTO song_sync VALUES ('x', 2, 'soon')", "INSERT INTO song_sync VALUES ('x', 3, -2001)"}));
    SongSync sync;
    EXPECT_EQ(sync.offsetMs(songKey), 12);
    EXPECT_EQ(sync.offsetMs({"x", 1}), 0);
    EXPECT_TRUE(librarytest::saidOnly(sync.takeMessages(), "3 offsets"));
}

TEST(SongSync, ADamagedOrForeignFileIsMovedAsideAndANewOneStarted)
{
    for (const bool foreign : {false, true}) {
        SCOPED_TRACE(foreign ? "another program's database" : "a text file");
        const testsupport::ScratchDir scratch;
        if (foreign)
            ASSERT_TRUE(librarytest::runSql(SongSync::fileName, {"CREATE TABLE song_sync (name TEXT)"}));
        else
            scratch.write(SongSync::fileName, "offsets: +20 ms for everything\n");
        {
            SongSync sync;
            EXPECT_EQ(sync.offsetMs(songKey), 0);
            EXPECT_TRUE(librarytest::saidOnly(sync.takeMessages(), "moved it aside"));
            sync.setOffsetMs(songKey, 30);
        }
        EXPECT_EQ(librarytest::movedAside().size(), 1u);
        EXPECT_EQ(SongSync().offsetMs(songKey), 30);
    }
}

} // namespace
