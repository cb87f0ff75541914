#pragma once

#include "library/Record.h"
#include "platform/SqliteDatabase.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace library {

// The players' best rounds, kept in an SQLite database in the player's
// folder. The best of every (chart, difficulty, player) is also held in
// memory, so that reads and the "New record" answer never wait for the disk.
//
// A song's records are handed over once, at its end, and written by a
// thread of the book's own in one transaction; the game thread never waits
// for a write. The database runs in write-ahead-log mode with full
// synchronisation: a committed song survives a crash or a kill at any moment.
//
// The file carries a layout version; an older layout is brought up to date
// in one transaction as it is opened (RecordLayout).
//
// Problems never stop the game:
// - a file that is damaged, not a records database or of a newer layout is
//   moved aside to
//   "<file>.moved-aside-<date>" (with its log files) and a new one started;
// - a database locked by another game is waited for `busyTimeoutMs`, then the
//   song's records are kept in memory and tried again every `retryInterval`;
// - a file or folder that cannot be written turns the records off.
// Each of these is said once in a message for the log (`takeMessages`).
class RecordBook {
public:
    static constexpr const char* fileName = "records.sqlite";

    struct Timing {
        int busyTimeoutMs = 2000;
        std::chrono::milliseconds retryInterval{5000};
    };

    // Opens (or starts) the database on the book's thread.
    explicit RecordBook(std::filesystem::path file);
    RecordBook(std::filesystem::path file, Timing timing);
    ~RecordBook();
    RecordBook(const RecordBook&) = delete;
    RecordBook& operator=(const RecordBook&) = delete;

    // The best round kept for the key, if any (nothing while the database is
    // still being read, or without records).
    std::optional<Record> best(const RecordKey& key) const;
    // Hands over one song's records, written together. Answers, for each, if
    // it is a new record as far as memory knows: the first on its key, or
    // more points than the best so far (a tie keeps the earlier). An empty
    // date is stamped with now. The round's replay, if given, is written in
    // the same transaction as the records.
    std::vector<bool> submit(std::vector<RecordEntry> entries, std::optional<ReplayEntry> replay = std::nullopt);
    // For the song handed over last, which of its records the file now keeps
    // as new records; empty until they are written (and for good when they
    // never are). Only this answer may be shown as "New record".
    std::vector<bool> keptNewRecords() const;
    // Waits until everything handed over so far has been tried once; true
    // when nothing is left to write.
    bool flush();
    // Writes what is left, once more, and stops the thread. Called by the
    // destructor; messages can still be taken afterwards.
    void close();

    // Asks for the replays kept of rounds on this chart (by either player),
    // newest first, at most `limit`; the book's thread answers, and
    // `takeReplays` gives the answer once, when it is there. A newer question
    // replaces one not yet answered.
    void askReplays(std::string chartHash, std::size_t limit);
    std::optional<std::vector<ReplayEntry>> takeReplays();

    // False once the records are off (a file or folder that cannot be written).
    bool keepsRecords() const;
    // The messages for the log since the last call, oldest first.
    std::vector<std::string> takeMessages();

private:
    struct Batch {
        std::uint64_t number = 0;
        std::vector<RecordEntry> entries;
        std::optional<ReplayEntry> replay;
    };

    void run();
    // One pass over the songs waiting: opens the database first if needed.
    void writePending();
    platform::SqliteStatus writeAll();
    platform::SqliteStatus openDatabase();
    platform::SqliteStatus checkIdentity();
    platform::SqliteStatus prepare();
    platform::SqliteStatus load();
    platform::SqliteStatus write(const Batch& batch, std::vector<bool>& kept);
    platform::SqliteStatus writeReplay(const ReplayEntry& replay);
    void answerReplays();
    // Acts on a failed open or write; true when it is worth trying again now.
    bool handleFailure(platform::SqliteStatus status);
    bool moveAside(const std::string& reason);
    void turnOff(const std::string& reason);
    void remember(const RecordEntry& entry);
    void say(std::string message);

    const std::filesystem::path file;
    const Timing timing;
    platform::SqliteDatabase db; // used by the book's thread only

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable passDone;
    std::map<RecordKey, Record> bests;
    std::deque<Batch> pending;
    std::vector<std::string> messages;
    std::uint64_t lastBatch = 0;
    std::vector<bool> lastKept; // keptNewRecords
    std::optional<std::pair<std::string, std::size_t>> replaysAsked;
    std::optional<std::vector<ReplayEntry>> replaysFound;
    // Passes of the book's thread over the songs waiting, begun and ended.
    std::uint64_t passesBegun = 0;
    std::uint64_t passesEnded = 0;
    bool off = false;
    bool stopping = false;
    bool woken = true;
    bool finished = false;
    // The book's thread only:
    bool opened = false;
    bool waitingForLock = false;
    bool writeFailing = false;
    std::string problem; // what the last failed open or write said
    std::thread writer;
};

} // namespace library
