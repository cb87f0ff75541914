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
#include <fcntl.h>
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

bool mentions(const std::vector<std::string>& messages, const std::string& text)
{
    return std::any_of(messages.begin(), messages.end(),
                       [&](const std::string& message) { return message.find(text) != std::string::npos; });
}

std::vector<fs::path> movedAside(const fs::path& folder)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("records.sqlite.moved-aside-") && !name.ends_with("-wal") && !name.ends_with("-shm"))
            found.push_back(entry.path());
    }
    return found;
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

    const testsupport::ScratchDir scratch;
    scratch.write("Songs/Alpha/a.sm", song);
    {
        RecordBook book(RecordBook::fileName, quick);
        book.submit({{{hashOf(testsupport::readFile("Songs/Alpha/a.sm")), "Hard", "Kai"}, recordOf(4000)}});
        ASSERT_TRUE(book.flush());
    }
    fs::create_directories("Songs/Pack");
    fs::rename("Songs/Alpha", "Songs/Pack/Renamed");
    std::string renamed = testsupport::readFile("Songs/Pack/Renamed/a.sm");
    renamed.replace(renamed.find("Alpha"), 5, "Alpha (new title)");
    renamed.replace(renamed.find("a.ogg"), 5, "b.mp3");
    RecordBook book(RecordBook::fileName, quick);
    ASSERT_TRUE(book.flush());
    EXPECT_EQ(book.best({hashOf(renamed), "Hard", "Kai"})->points, 4000u);

    const struct {
        const char* what;
        std::string from;
        std::string to;
    } edits[] = {
        {"a note moved", "1000\n0200", "0100\n0200"},  {"a hold shortened", "0301", "0001"},
        {"a mine removed", "M000", "0000"},            {"a tempo changed", "8=150", "8=151"},
        {"a stop lengthened", "4=0.5", "4=0.6"},       {"the offset changed", "-0.1", "-0.2"},
    };
    for (const auto& edit : edits) {
        std::string edited = song;
        edited.replace(edited.find(edit.from), edit.from.size(), edit.to);
        EXPECT_NE(hashOf(edited), original) << edit.what;
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
        {"another program's database", [&](const fs::path& file) {
             platform::SqliteDatabase other;
             ASSERT_EQ(other.open(file.string(), 100), platform::SqliteStatus::Ok);
             ASSERT_EQ(other.execute("CREATE TABLE records (name TEXT)"), platform::SqliteStatus::Ok);
         }},
    };
    for (const auto& damaged : cases) {
        SCOPED_TRACE(damaged.name);
        const testsupport::ScratchDir scratch;
        const fs::path file = scratch.path() / RecordBook::fileName;
        damaged.damage(file);
        const std::string before = testsupport::readFile(file);

        RecordBook book(file, quick);
        EXPECT_TRUE(book.flush());
        const std::vector<std::string> messages = book.takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(mentions(messages, "moved it aside to")) << messages.front();
        const std::vector<fs::path> aside = movedAside(scratch.path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(testsupport::readFile(aside.front()), before);

        const RecordKey key{"0123456789abcdef", "Hard", "Kai"};
        EXPECT_EQ(book.submit({{key, recordOf(800)}}), std::vector<bool>{true});
        book.close();
        RecordBook reopened(file, quick);
        EXPECT_TRUE(reopened.flush());
        EXPECT_EQ(reopened.best(key)->points, 800u);
        EXPECT_TRUE(reopened.takeMessages().empty());
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
        const std::vector<std::string> messages = book.takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(mentions(messages, "playing on without records")) << messages.front();
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
    std::vector<std::string> messages = book.takeMessages();
    ASSERT_EQ(messages.size(), 1u) << "said once, however often it is tried";
    EXPECT_TRUE(mentions(messages, "is locked by another program")) << messages.front();

    ASSERT_EQ(otherGame.execute("COMMIT"), platform::SqliteStatus::Ok);
    otherGame.close();
    EXPECT_TRUE(book.flush());
    EXPECT_EQ(book.keptNewRecords(), std::vector<bool>{true});
    messages = book.takeMessages();
    EXPECT_TRUE(mentions(messages, "written now"));
    book.close();
    RecordBook reopened(RecordBook::fileName, quick);
    ASSERT_TRUE(reopened.flush());
    EXPECT_EQ(reopened.best(key)->points, 2400u);
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
    platform::SqliteDatabase db;
    ASSERT_EQ(db.open(RecordBook::fileName, 100), platform::SqliteStatus::Ok);
    std::vector<platform::SqliteDatabase::Row> rows;
    ASSERT_EQ(db.query("SELECT player2, points1, round, length(date) FROM replays", {}, rows),
              platform::SqliteStatus::Ok);
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
    {
        platform::SqliteDatabase older;
        ASSERT_EQ(older.open(RecordBook::fileName, 100), platform::SqliteStatus::Ok);
        ASSERT_EQ(older.execute("PRAGMA application_id = " + std::to_string(library::RecordLayout::applicationId)),
                  platform::SqliteStatus::Ok);
        ASSERT_EQ(older.execute("CREATE TABLE records (chart_hash TEXT NOT NULL, chart TEXT NOT NULL, "
                                "player TEXT NOT NULL, points INTEGER NOT NULL, godlike INTEGER NOT NULL, "
                                "perfect INTEGER NOT NULL, great INTEGER NOT NULL, good INTEGER NOT NULL, "
                                "booo INTEGER NOT NULL, highest_combo INTEGER NOT NULL, date TEXT NOT NULL, "
                                "PRIMARY KEY (chart_hash, chart, player))"),
                  platform::SqliteStatus::Ok);
        ASSERT_EQ(older.execute("INSERT INTO records VALUES ('0123456789abcdef', 'Hard', 'Kai', 5000, 6, 1, 0, 0, 0, "
                                "9, '2026-01-02 03:04')"),
                  platform::SqliteStatus::Ok);
    }
    {
        RecordBook book(RecordBook::fileName, quick);
        ASSERT_TRUE(book.flush());
        const std::vector<std::string> messages = book.takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(mentions(messages, "brought it up to date")) << messages.front();
        ASSERT_TRUE(book.best(key));
        EXPECT_EQ(book.best(key)->points, 5000u);
        EXPECT_EQ(book.best(key)->highestCombo, 9u);
        EXPECT_EQ(book.best(key)->date, "2026-01-02 03:04");
        // A round at another rate is kept apart from the best at 1.0.
        EXPECT_EQ(book.submit({{faster, recordOf(100)}}), std::vector<bool>{true});
        ASSERT_TRUE(book.flush());
        EXPECT_EQ(book.keptNewRecords(), std::vector<bool>{true});
    }
    RecordBook reopened(RecordBook::fileName, quick);
    ASSERT_TRUE(reopened.flush());
    EXPECT_TRUE(reopened.takeMessages().empty());
    EXPECT_EQ(reopened.best(key)->points, 5000u);
    EXPECT_EQ(reopened.best(faster)->points, 100u);
    reopened.close();

    platform::SqliteDatabase newer;
    ASSERT_EQ(newer.open(RecordBook::fileName, 100), platform::SqliteStatus::Ok);
    std::vector<platform::SqliteDatabase::Row> rows;
    ASSERT_EQ(newer.query("PRAGMA user_version", {}, rows), platform::SqliteStatus::Ok);
    EXPECT_EQ(rows.at(0).at(0), platform::SqliteDatabase::Value{library::RecordLayout::version});
    ASSERT_EQ(newer.execute("PRAGMA user_version = " + std::to_string(library::RecordLayout::version + 1)),
              platform::SqliteStatus::Ok);
    newer.close();
    RecordBook later(RecordBook::fileName, quick);
    EXPECT_TRUE(later.flush());
    const std::vector<std::string> messages = later.takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(mentions(messages, "newer version")) << messages.front();
    EXPECT_EQ(movedAside(scratch.path()).size(), 1u);
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
        const std::vector<std::string> messages = book.takeMessages();
        ASSERT_TRUE(messages.empty()) << messages.front();
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
