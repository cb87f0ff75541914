#include "library/SongSync.h"
#include "platform/SqliteDatabase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using library::SongSync;

const SongSync::Key song{"Songs/Pack/Song", 0x0123456789abcdefull};
const SongSync::Key other{"Songs/Pack/Other", 42};

std::size_t filesMovedAside(const fs::path& folder)
{
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        count += name.find(".moved-aside-") != std::string::npos && !name.ends_with("-wal") && !name.ends_with("-shm");
    }
    return count;
}

// Offsets are whole ms within 2 s either way: ten minutes are clamped, a
// song set back to 0 is forgotten, and the rest is read back at the next start.
TEST(SongSync, OffsetsAreClampedAndKeptAcrossStarts)
{
    const testsupport::ScratchDir scratch;
    {
        SongSync sync;
        EXPECT_EQ(sync.offsetMs(song), 0);
        EXPECT_EQ(sync.setOffsetMs(song, 600000), SongSync::largestOffsetMs);
        EXPECT_EQ(sync.setOffsetMs(song, -600000), -SongSync::largestOffsetMs);
        EXPECT_EQ(sync.setOffsetMs(song, -17), -17);
        sync.setOffsetMs(other, 5);
        sync.save();
        sync.setOffsetMs(other, 0);
        EXPECT_TRUE(sync.takeMessages().empty());
    }
    SongSync again;
    EXPECT_EQ(again.offsetMs(song), -17);
    EXPECT_EQ(again.offsetMs(other), 0);
    EXPECT_EQ(again.offsetMs({song.first, song.second + 1}), 0) << "an edited chart starts from 0";
    EXPECT_TRUE(again.takeMessages().empty());
}

// Rows written by hand with offsets outside the range or not numbers are
// left out with one line; the others play.
TEST(SongSync, GarbageInTheTableIsLeftOutWithALine)
{
    const testsupport::ScratchDir scratch;
    {
        SongSync sync;
        sync.setOffsetMs(song, 12);
    }
    platform::SqliteDatabase db;
    ASSERT_EQ(db.open(SongSync::fileName, 100), platform::SqliteStatus::Ok);
    for (const char* row : {"('x', 1, 600000)", "('x', 2, 'soon')", "('x', 3, -2001)"})
        ASSERT_EQ(db.execute(std::string("INSERT INTO song_sync VALUES ") + row), platform::SqliteStatus::Ok);
    db.close();
    SongSync sync;
    EXPECT_EQ(sync.offsetMs(song), 12);
    EXPECT_EQ(sync.offsetMs({"x", 1}), 0);
    const auto messages = sync.takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages.front().find("3 offsets"), std::string::npos) << messages.front();
}

TEST(SongSync, ADamagedOrForeignFileIsMovedAsideAndANewOneStarted)
{
    for (const bool foreign : {false, true}) {
        SCOPED_TRACE(foreign ? "another program's database" : "a text file");
        const testsupport::ScratchDir scratch;
        if (foreign) {
            platform::SqliteDatabase db;
            ASSERT_EQ(db.open(SongSync::fileName, 100), platform::SqliteStatus::Ok);
            ASSERT_EQ(db.execute("CREATE TABLE song_sync (name TEXT)"), platform::SqliteStatus::Ok);
        } else {
            std::ofstream(SongSync::fileName) << "offsets: +20 ms for everything\n";
        }
        {
            SongSync sync;
            EXPECT_EQ(sync.offsetMs(song), 0);
            const auto messages = sync.takeMessages();
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_NE(messages.front().find("moved it aside"), std::string::npos) << messages.front();
            sync.setOffsetMs(song, 30);
        }
        EXPECT_EQ(filesMovedAside(scratch.path()), 1u);
        EXPECT_EQ(SongSync().offsetMs(song), 30);
    }
}

} // namespace
