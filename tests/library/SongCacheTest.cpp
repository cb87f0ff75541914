#include "LibraryFiles.h"

#include "library/LibraryScanner.h"
#include "library/SongCache.h"
#include "library/SongSelection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>

// The song cache between starts: what changed on disk is read again, the
// rest comes from the cache, and a cache that cannot be used is set aside.

namespace {

namespace fs = std::filesystem;
using librarytest::mentions;
using librarytest::runSql;

std::string chartTitled(const std::string& title)
{
    return "#TITLE:" + title + ";#ARTIST:Cache;#MUSIC:song.wav;#BPMS:0=120;"
           "#NOTES:dance-single::Easy:2:0,0,0,0,0:1000\n0100\n0010\n0001\n;"
           "#NOTES:dance-single::Hard:8:0,0,0,0,0:1001\n0110\n0M10\n0001\n;";
}

// Every file and folder below the library dated an hour back, as files
// copied long before the game starts are: files changed while a song is read
// are not kept in the cache.
void age(const fs::path& root)
{
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
        fs::last_write_time(entry.path(), hourAgo);
    fs::last_write_time(root, hourAgo);
}

void writeSong(const testsupport::ScratchDir& scratch, const std::string& folder, const std::string& title)
{
    librarytest::writeSong(scratch, folder, "song.sm", chartTitled(title));
}

struct Scan {
    std::map<std::string, std::string> titles; // by folder
    std::map<std::string, std::string> panel;  // as the song panel lists them: the cache's first, then the changes
    std::size_t readAnew = 0;
    std::vector<std::string> lines;
};

Scan scan(const fs::path& cache = library::SongCache::fileName)
{
    library::LibraryScanner scanner({"Songs"}, cache, 2);
    scanner.waitUntilFinished();
    Scan result;
    library::LibraryScanner::Batch batch = scanner.take();
    library::SongSelection panel(batch.fromCache);
    panel.removeFolders(batch.dropped);
    panel.add(batch.readAnew);
    for (const library::SongEntry& song : panel.getSongs())
        result.panel[song.folder] = song.title;
    for (const library::SongEntry& song : library::LibraryScanner::merged(std::move(batch)))
        result.titles[song.folder] = song.title;
    result.readAnew = scanner.progress().readAnew;
    for (const library::LibraryScanner::Line& line : scanner.takeLines())
        result.lines.push_back(line.text);
    return result;
}

} // namespace

TEST(SongCache, OnlyWhatChangedBetweenStartsIsReadAgain)
{
    const testsupport::ScratchDir scratch;
    for (const char* folder : {"Songs/A/One", "Songs/A/Two", "Songs/B/Three", "Songs/Loose"})
        writeSong(scratch, folder, fs::path(folder).filename().string());
    age(scratch.path() / "Songs");
    EXPECT_EQ(scan().readAnew, 4u);
    const Scan warm = scan();
    EXPECT_EQ(warm.readAnew, 0u);
    EXPECT_EQ(warm.titles.size(), 4u);

    // Added, changed, removed and renamed; a changed banner counts too.
    writeSong(scratch, "Songs/B/Four", "Four");
    scratch.write("Songs/A/One/song.sm", chartTitled("One, edited"));
    fs::remove_all("Songs/A/Two");
    fs::rename("Songs/B/Three", "Songs/B/Drei");
    scratch.write("Songs/Loose/loose-bn.png", "a banner");
    age(scratch.path() / "Songs");
    const Scan changed = scan();
    EXPECT_EQ(changed.readAnew, 4u);
    EXPECT_EQ(changed.titles, (std::map<std::string, std::string>{{"Songs/A/One", "One, edited"}, {"Songs/B/Drei", "Three"},
        {"Songs/B/Four", "Four"}, {"Songs/Loose", "Loose"}}));
    EXPECT_EQ(changed.panel, changed.titles);
    EXPECT_EQ(scan().readAnew, 0u) << "the removed and renamed folders left the cache too";

    // A song whose files are being written while it is read (here: dated
    // after the read began) is listed but not kept.
    scratch.write("Songs/B/Four/song.sm", chartTitled("Four, being copied"));
    fs::last_write_time("Songs/B/Four/song.sm", fs::file_time_type::clock::now() + std::chrono::hours(1));
    const Scan copying = scan();
    EXPECT_EQ(copying.titles.at("Songs/B/Four"), "Four, being copied");
    EXPECT_EQ(mentions(copying.lines, "'Songs/B/Four' changed while it was being read"), 1u);
    fs::last_write_time("Songs/B/Four/song.sm", fs::file_time_type::clock::now() - std::chrono::hours(2));
    EXPECT_EQ(scan().readAnew, 1u);
    EXPECT_EQ(scan().readAnew, 0u);
}

// A garbage file, a cache of a newer version and a damaged entry: set aside
// or read again, said once, and every song still listed.
TEST(SongCache, ACacheThatCannotBeUsedIsSetAsideAndRebuilt)
{
    const testsupport::ScratchDir scratch;
    writeSong(scratch, "Songs/P/Song", "Song");
    writeSong(scratch, "Songs/P/Other", "Other");
    age(scratch.path() / "Songs");
    const auto asides = [] { return librarytest::movedAside().size(); };

    scratch.write(library::SongCache::fileName, std::string(4096, '\x5a'));
    Scan rebuilt = scan();
    EXPECT_EQ(rebuilt.titles.size(), 2u);
    EXPECT_EQ(mentions(rebuilt.lines, "moved it aside to"), 1u) << testing::PrintToString(rebuilt.lines);
    EXPECT_EQ(asides(), 1u);
    EXPECT_EQ(scan().readAnew, 0u);

    ASSERT_TRUE(runSql(library::SongCache::fileName, {"PRAGMA user_version = 99"}));
    rebuilt = scan();
    EXPECT_EQ(mentions(rebuilt.lines, "another version of the game (cache version 99"), 1u) << testing::PrintToString(rebuilt.lines);
    EXPECT_EQ(rebuilt.readAnew, 2u);
    EXPECT_EQ(asides(), 2u);

    // Whole charts followed by one whose numbers are garbage; texts that are
    // no field list, and texts cut short: damaged too.
    const std::vector<std::vector<std::string>> damages{
        {"UPDATE songs SET charts = '9:cut short' WHERE folder = 'Songs/P/Song'",
         "UPDATE songs SET charts = charts || '1:x1:x1:x1:x1:x1:x1:x' WHERE folder = 'Songs/P/Other'"},
        {"UPDATE songs SET texts = '9:cut short' WHERE folder = 'Songs/P/Song'",
         "UPDATE songs SET texts = substr(texts, 1, length(texts) - 2) WHERE folder = 'Songs/P/Other'"}};
    for (const std::vector<std::string>& damage : damages) {
        ASSERT_TRUE(runSql(library::SongCache::fileName, damage));
        rebuilt = scan();
        EXPECT_EQ(rebuilt.readAnew, 2u) << damage[0];
        EXPECT_EQ(rebuilt.titles.size(), 2u);
        EXPECT_EQ(mentions(rebuilt.lines, "2 damaged entries"), 1u);
        EXPECT_EQ(scan().readAnew, 0u);
    }
}

// A cache that cannot be created (its folder is a file; read-only folders
// give the same answer, but not to root): the library is read whole, said once.
TEST(SongCache, ACacheThatCannotBeWrittenLeavesTheLibraryWhole)
{
    const testsupport::ScratchDir scratch;
    writeSong(scratch, "Songs/P/Song", "Song");
    age(scratch.path() / "Songs");
    scratch.write("blocked", "a file where the cache's folder should be");
    for (int start = 0; start < 2; ++start) {
        const Scan uncached = scan("blocked/songcache.sqlite");
        EXPECT_EQ(uncached.readAnew, 1u);
        EXPECT_EQ(uncached.titles.size(), 1u);
        EXPECT_EQ(mentions(uncached.lines, "the song library is read without it"), 1u) << testing::PrintToString(uncached.lines);
    }
}

// Ending the game while the library is read stops the scan at once and
// leaves the cache as it was.
TEST(SongCache, AScanStoppedHalfwayWritesNothing)
{
    const testsupport::ScratchDir scratch;
    for (int song = 0; song < 200; ++song)
        writeSong(scratch, "Songs/P/Song " + std::to_string(song), "Song");
    age(scratch.path() / "Songs");
    {
        const library::LibraryScanner scanner({"Songs"}, library::SongCache::fileName, 1);
    }
    const auto rows = librarytest::queried(library::SongCache::fileName, "SELECT count(*) FROM songs");
    EXPECT_TRUE(rows.empty() || std::get<std::int64_t>(rows.at(0).at(0)) == 0);
    EXPECT_EQ(scan().titles.size(), 200u);
}
