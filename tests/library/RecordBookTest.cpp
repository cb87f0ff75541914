#include "LibraryFiles.h"

#include "chart/ChartHash.h"
#include "chart/SmReader.h"
#include "library/RecordBook.h"
#include "library/RecordLayout.h"
#include "platform/SqliteDatabase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <random>
#include <thread>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using library::Record;
using library::RecordBook;
using library::RecordEntry;
using library::RecordKey;
using librarytest::movedAside;
using librarytest::runSql;
using librarytest::saidOnly;

const RecordBook::Timing quick{50, std::chrono::milliseconds(50)};

Record recordOf(std::uint32_t points, std::uint32_t combo = 0)
{
    Record record;
    record.points = points;
    record.judgements = {points / 800, 1, 2, 3, 4};
    record.holdsOk = 5;
    record.holdsNg = 6;
    record.minesHit = 7;
    record.highestCombo = combo;
    return record;
}

// The points the next start of the game reads for `key` (0 for none), having
// opened the file without a word.
std::uint32_t pointsAtNextStart(const fs::path& file, const RecordKey& key)
{
    RecordBook book(file, quick);
    EXPECT_TRUE(book.flush());
    EXPECT_EQ(book.takeMessages(), std::vector<std::string>{});
    const std::optional<Record> best = book.best(key);
    return best ? best->points : 0;
}

} // namespace

TEST(RecordBook, KeepsTheBestPerChartAndPlayerAcrossRestarts)
{
    const testsupport::ScratchDir scratch;
    const RecordKey kai{"00000000000000aa", "Hard", "Kai"};
    const RecordKey kaiEasy{"00000000000000aa", "Easy", "Kai"};
    const RecordKey mia{"00000000000000aa", "Hard", "Mia"};
    {
        RecordBook book(RecordBook::fileName, quick);
        EXPECT_EQ(book.submit({{kai, recordOf(1000, 3)}, {mia, recordOf(0)}}), (std::vector<bool>{true, true}));
        EXPECT_EQ(book.submit({{kai, recordOf(900)}}), std::vector<bool>{false});
        EXPECT_EQ(book.submit({{kai, recordOf(1000, 9)}}), std::vector<bool>{false}) << "a tie keeps the earlier";
        EXPECT_EQ(book.submit({{kai, recordOf(1600, 12)}, {kaiEasy, recordOf(50)}}), (std::vector<bool>{true, true}));
        EXPECT_TRUE(book.flush());
        EXPECT_TRUE(book.takeMessages().empty());
    }
    RecordBook book(RecordBook::fileName, quick);
    ASSERT_TRUE(book.flush());
    const std::optional<Record> best = book.best(kai);
    ASSERT_TRUE(best);
    Record expected = recordOf(1600, 12);
    expected.date = best->date;
    EXPECT_EQ(*best, expected);
    EXPECT_EQ(best->date.size(), std::string("2026-12-05 12:00").size());
    EXPECT_EQ(book.best(kaiEasy)->points, 50u);
    EXPECT_EQ(book.best(mia)->points, 0u);
    EXPECT_FALSE(book.best({"00000000000000aa", "Hard", "Noone"}));
    EXPECT_EQ(book.submit({{kai, recordOf(1500)}}), std::vector<bool>{false});
    EXPECT_TRUE(book.takeMessages().empty());
}

// The key is the chart's notes and timing: the song's folder, title and
// files may change, its steps and tempo may not.
TEST(RecordBook, AMovedSongKeepsItsRecordsAndAnEditedChartStartsAfresh)
{
    const std::string song = "#TITLE:Alpha;#MUSIC:a.ogg;#OFFSET:-0.1;#BPMS:0=120,8=150;#STOPS:4=0.5;"
                             "#NOTES:dance-single::Hard:7:0,0,0,0,0:1000\n0200\n0010\n0301\n,\nM000\n0000\n0000\n0000\n;";
    const auto hashOf = [](const std::string& text) {
        const chart::ReadResult read = chart::SmReader::read(text);
        EXPECT_TRUE(read.ok()) << read.error;
        return read.song.charts.empty() ? std::string() : chart::ChartHash::of(read.song.charts.front()).hex();
    };
    const std::string original = hashOf(song);
    EXPECT_EQ(original, "7f26c8d028e6f072") << "the digest of a chart must never change";

    // The records are kept under this digest (see KeepsTheBestPerChartAndPlayerAcrossRestarts).
    std::string renamed = song;
    renamed.replace(renamed.find("Alpha"), 5, "Alpha (new title)");
    renamed.replace(renamed.find("a.ogg"), 5, "b.mp3");
    EXPECT_EQ(hashOf(renamed), original) << "a new title or music file is the same chart";

    const std::tuple<const char*, std::string, std::string> edits[] = {
        {"a note moved", "1000\n0200", "0100\n0200"},  {"a hold shortened", "0301", "0001"},
        {"a mine removed", "M000", "0000"},            {"a tempo changed", "8=150", "8=151"},
        {"a stop lengthened", "4=0.5", "4=0.6"},       {"the offset changed", "-0.1", "-0.2"},
    };
    for (const auto& [what, from, to] : edits) {
        std::string edited = song;
        edited.replace(edited.find(from), from.size(), to);
        EXPECT_NE(hashOf(edited), original) << what;
    }
}

// Every kind of file that is not a readable records database is moved aside
// with its date, said once, and a new database takes its place.
TEST(RecordBook, ADamagedOrForeignFileIsMovedAsideAndANewOneStarted)
{
    const auto writeBytes = [](const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    };
    const struct {
        const char* name;
        std::function<void(const fs::path&)> damage;
    } cases[] = {
        {"truncated", [&](const fs::path& file) {
             {
                 RecordBook book(file, quick);
                 std::vector<RecordEntry> entries;
                 for (std::uint32_t song = 0; song < 200; ++song)
                     entries.push_back({{"song" + std::to_string(song), "Hard", std::string(300, 'k')}, recordOf(song)});
                 book.submit(entries);
                 ASSERT_TRUE(book.flush());
             }
             fs::resize_file(file, fs::file_size(file) / 2);
         }},
        {"garbage", [&](const fs::path& file) {
             std::mt19937 random(29);
             std::string bytes(6000, '\0');
             std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(random()); });
             writeBytes(file, bytes);
         }},
        {"a text file", [&](const fs::path& file) { writeBytes(file, "my high scores: 1000000\n"); }},
        {"another program's database",
         [&](const fs::path& file) { ASSERT_TRUE(runSql(file, {"CREATE TABLE records (name TEXT)"})); }},
    };
    for (const auto& damaged : cases) {
        SCOPED_TRACE(damaged.name);
        const testsupport::ScratchDir scratch;
        const fs::path file = scratch.path() / RecordBook::fileName;
        damaged.damage(file);
        const std::string before = testsupport::readFile(file);

        RecordBook book(file, quick);
        EXPECT_TRUE(book.flush());
        EXPECT_TRUE(saidOnly(book.takeMessages(), "moved it aside to"));
        const std::vector<fs::path> aside = movedAside(scratch.path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(testsupport::readFile(aside.front()), before);

        const RecordKey key{"0123456789abcdef", "Hard", "Kai"};
        EXPECT_EQ(book.submit({{key, recordOf(800)}}), std::vector<bool>{true});
        book.close();
        EXPECT_EQ(pointsAtNextStart(file, key), 800u);
    }
}

// Tests run as root in CI, where permissions stop nothing: a folder that
// cannot be written is a path under a plain file; as another user, also a
// folder without write permission.
TEST(RecordBook, AFolderThatCannotBeWrittenPlaysOnWithoutRecordsAndSaysSoOnce)
{
    const testsupport::ScratchDir scratch;
    scratch.write("plain-file", "not a folder");
    std::vector<fs::path> folders{scratch.path() / "plain-file"};
    if (geteuid() != 0) {
        fs::create_directory(scratch.path() / "read-only");
        fs::permissions(scratch.path() / "read-only", fs::perms::owner_read | fs::perms::owner_exec);
        folders.push_back(scratch.path() / "read-only");
    }
    for (const fs::path& folder : folders) {
        SCOPED_TRACE(folder);
        RecordBook book(folder / RecordBook::fileName, quick);
        EXPECT_FALSE(book.flush());
        EXPECT_FALSE(book.keepsRecords());
        EXPECT_EQ(book.submit({{{"0123456789abcdef", "Hard", "Kai"}, recordOf(800)}}), std::vector<bool>{false});
        EXPECT_FALSE(book.flush());
        EXPECT_TRUE(saidOnly(book.takeMessages(), "playing on without records"));
        EXPECT_FALSE(book.best({"0123456789abcdef", "Hard", "Kai"}));
    }
}

// A second game holding the write lock: the song's records wait in memory
// (and count at once) until the lock is free.
TEST(RecordBook, ALockedDatabaseKeepsTheRecordsAndWritesThemLater)
{
    const testsupport::ScratchDir scratch;
    const RecordKey key{"0123456789abcdef", "Hard", "Kai"};
    RecordBook book(RecordBook::fileName, quick);
    ASSERT_TRUE(book.flush());

    platform::SqliteDatabase otherGame;
    ASSERT_EQ(otherGame.open(RecordBook::fileName, 100), platform::SqliteStatus::Ok);
    ASSERT_EQ(otherGame.execute("BEGIN EXCLUSIVE"), platform::SqliteStatus::Ok);
    EXPECT_EQ(book.submit({{key, recordOf(2400)}}), std::vector<bool>{true});
    EXPECT_FALSE(book.flush());
    EXPECT_FALSE(book.flush());
    EXPECT_EQ(book.best(key)->points, 2400u);
    EXPECT_TRUE(book.keptNewRecords().empty()) << "no new record is claimed before it is kept";
    EXPECT_TRUE(saidOnly(book.takeMessages(), "is locked by another program")) << "said once, however often tried";

    ASSERT_EQ(otherGame.execute("COMMIT"), platform::SqliteStatus::Ok);
    otherGame.close();
    EXPECT_TRUE(book.flush());
    EXPECT_EQ(book.keptNewRecords(), std::vector<bool>{true});
    EXPECT_EQ(librarytest::mentions(book.takeMessages(), "written now"), 1u);
    book.close();
    EXPECT_EQ(pointsAtNextStart(RecordBook::fileName, key), 2400u);
}

// A round's replay is written with the song's records, in the same
// transaction; a round that set no records still keeps its replay. The
// replays of a chart (either player's) come back newest first, as many as
// asked for.
TEST(RecordBook, AReplayIsWrittenWithItsSongsRecordsAndListedNewestFirst)
{
    const testsupport::ScratchDir scratch;
    library::ReplayEntry replay;
    replay.chartHashes = {"00112233aabbccdd", "ffeeddcc44332211"};
    replay.players = {"Kai", "Mia"};
    replay.points = {1600, 800};
    replay.round = {'F', 0, 255, 7};
    {
        RecordBook book(RecordBook::fileName, quick);
        EXPECT_EQ(book.submit({{{"00112233aabbccdd", "Hard", "Kai"}, recordOf(1600)}}, replay),
                  std::vector<bool>{true});
        EXPECT_TRUE(book.submit({}, replay).empty());
        library::ReplayEntry later = replay;
        later.points = {1700, 900};
        later.chartHashes[0] = "99999999aaaaaaaa";
        book.submit({}, later);
        ASSERT_TRUE(book.flush());
        const auto answer = [&book](const std::string& chart, std::size_t limit) {
            book.askReplays(chart, limit);
            for (int wait = 0; wait < 500; ++wait) {
                if (auto found = book.takeReplays())
                    return *found;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            ADD_FAILURE() << "no answer";
            return std::vector<library::ReplayEntry>{};
        };
        const std::vector<library::ReplayEntry> second = answer("ffeeddcc44332211", 2);
        ASSERT_EQ(second.size(), 2u);
        EXPECT_EQ(second[0].points[0], 1700u);
        EXPECT_EQ(second[1].round, replay.round);
        EXPECT_EQ(second[1].players[1], "Mia");
        EXPECT_EQ(answer("00112233aabbccdd", 10).size(), 2u);
        EXPECT_TRUE(answer("0000000000000000", 10).empty());
    }
    const auto rows = librarytest::queried(RecordBook::fileName, "SELECT player2, points1, round, length(date) FROM replays");
    ASSERT_EQ(rows.size(), 3u);
    const platform::SqliteDatabase::Row expected{std::string("Mia"), std::int64_t{1600},
                                                 platform::SqliteDatabase::Blob{'F', 0, 255, 7}, std::int64_t{16}};
    EXPECT_EQ(rows[0], expected);
    EXPECT_EQ(rows[1], expected);
}

// A file of the first layout (no version, no rate, no replays, and here
// without the holds and mines) is brought up to date with its rows in one
// go; a file of a newer layout is set aside like a damaged one.
TEST(RecordBook, AnOlderLayoutIsBroughtUpToDateAndANewerOneIsSetAside)
{
    const testsupport::ScratchDir scratch;
    const RecordKey key{"0123456789abcdef", "Hard", "Kai"};
    const RecordKey faster{"0123456789abcdef", "Hard", "Kai", 1.5};
    ASSERT_TRUE(runSql(RecordBook::fileName,
        {"PRAGMA application_id = " + std::to_string(library::RecordLayout::applicationId),
         "CREATE TABLE records (chart_hash TEXT NOT NULL, chart TEXT NOT NULL, player TEXT NOT NULL, "
         "points INTEGER NOT NULL, godlike INTEGER NOT NULL, perfect INTEGER NOT NULL, great INTEGER NOT NULL, "
         "good INTEGER NOT NULL, booo INTEGER NOT NULL, highest_combo INTEGER NOT NULL, date TEXT NOT NULL, "
         "PRIMARY KEY (chart_hash, chart, player))",
         "INSERT INTO records VALUES ('0123456789abcdef', 'Hard', 'Kai', 5000, 6, 1, 0, 0, 0, 9, '2026-01-02 03:04')"}));
    {
        RecordBook book(RecordBook::fileName, quick);
        ASSERT_TRUE(book.flush());
        EXPECT_TRUE(saidOnly(book.takeMessages(), "brought it up to date"));
        ASSERT_TRUE(book.best(key));
        EXPECT_EQ(std::tie(book.best(key)->points, book.best(key)->highestCombo, book.best(key)->date),
                  std::make_tuple(5000u, 9u, std::string("2026-01-02 03:04")));
        // A round at another rate is kept apart from the best at 1.0.
        EXPECT_EQ(book.submit({{faster, recordOf(100)}}), std::vector<bool>{true});
        ASSERT_TRUE(book.flush());
        EXPECT_EQ(book.keptNewRecords(), std::vector<bool>{true});
    }
    EXPECT_EQ(pointsAtNextStart(RecordBook::fileName, key), 5000u);
    EXPECT_EQ(pointsAtNextStart(RecordBook::fileName, faster), 100u);

    EXPECT_EQ(librarytest::queried(RecordBook::fileName, "PRAGMA user_version").at(0).at(0),
              platform::SqliteDatabase::Value{library::RecordLayout::version});
    ASSERT_TRUE(runSql(RecordBook::fileName, {"PRAGMA user_version = " + std::to_string(library::RecordLayout::version + 1)}));
    RecordBook later(RecordBook::fileName, quick);
    EXPECT_TRUE(later.flush());
    EXPECT_TRUE(saidOnly(later.takeMessages(), "newer version"));
    EXPECT_EQ(movedAside().size(), 1u);
    EXPECT_FALSE(later.best(key));
}

// A writer killed with SIGKILL at random moments, again and again: every
// start opens the database as it is, and every song the writer reported as
// written is there.
TEST(RecordBook, AKilledWriterLosesNothingThatWasCommitted)
{
    const testsupport::ScratchDir scratch;
    const std::string file = (scratch.path() / RecordBook::fileName).string();
    std::mt19937 random(29);
    long nextSong = 0;
    std::vector<long> committed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    for (int round = 0; round < 40 && std::chrono::steady_clock::now() < deadline; ++round) {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string start = std::to_string(nextSong);
        char* const argv[] = {const_cast<char*>(FLAREVOX_RECORD_WRITER), const_cast<char*>(file.c_str()),
                              const_cast<char*>(start.c_str()), nullptr};
        pid_t child = 0;
        ASSERT_EQ(posix_spawn(&child, FLAREVOX_RECORD_WRITER, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);

        std::string output;
        const auto killAt = std::chrono::steady_clock::now()
            + std::chrono::milliseconds(std::uniform_int_distribution<int>(5, 120)(random));
        const auto readSome = [&](int timeoutMs) {
            pollfd ready{out[0], POLLIN, 0};
            char buffer[4096];
            if (poll(&ready, 1, timeoutMs) > 0) {
                const ssize_t got = read(out[0], buffer, sizeof buffer);
                if (got > 0)
                    output.append(buffer, static_cast<std::size_t>(got));
                return got > 0;
            }
            return false;
        };
        while (std::chrono::steady_clock::now() < killAt)
            readSome(5);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        while (readSome(0)) {
        }
        close(out[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << status;

        // Only whole lines were written after a commit.
        for (const std::string& line : testsupport::linesOf(output.substr(0, output.rfind('\n') + 1))) {
            committed.push_back(std::stol(line));
            nextSong = committed.back() + 1;
        }
        ++nextSong;

        RecordBook book(file, quick);
        ASSERT_TRUE(book.flush()) << "round " << round;
        ASSERT_EQ(book.takeMessages(), std::vector<std::string>{}) << "round " << round;
        for (const long song : committed) {
            for (const char* player : {"Kai", "Mia"}) {
                const std::optional<Record> kept = book.best({"song" + std::to_string(song), "Hard", player});
                ASSERT_TRUE(kept) << "song " << song << " of round " << round;
                EXPECT_EQ(kept->points, static_cast<std::uint32_t>(song));
            }
        }
    }
    EXPECT_GT(committed.size(), 10u) << "the writer hardly ever got a song written";
    RecordProperty("committed", static_cast<int>(committed.size()));
}
