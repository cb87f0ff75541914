#pragma once

#include "library/Record.h"
#include "library/RecordedRound.h"
#include "library/RecordBook.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ArrowManager;

namespace library {
struct SongEntry;
}

// The players' records for the match: the record book in the player's
// folder, the identities of the charts the song panel shows, and what the
// last song's end handed over.
class RecordKeeper {
public:
    RecordKeeper() = default;
    // Closes the book: what could not be written is said in the log, which
    // is still open while the match goes.
    ~RecordKeeper();
    RecordKeeper(const RecordKeeper&) = delete;
    RecordKeeper& operator=(const RecordKeeper&) = delete;

    // The game's own chart, as its step file reader plays it.
    static constexpr const char* ownChartName = "Beginner";

    // Opens the book (on its own thread) at `file`.
    void open(const std::filesystem::path& file = library::RecordBook::fileName,
              library::RecordBook::Timing timing = {});
    // Writes the book's messages to the log; on the game thread, every frame.
    void writeMessages();

    // One song's records, handed over once at its end; each entry with the
    // player's number (1 or 2). The round, when given, is kept with them as
    // its replay, with both players' points.
    void submit(const std::vector<std::pair<int, library::RecordEntry>>& entries,
                const library::RecordedRound* round = nullptr, std::array<std::uint32_t, 2> points = {});
    // True once the player's record of the last song is written as a new
    // record; never for one that waits in memory or was lost.
    bool isNewRecord(int player) const;
    // A new round: no new records yet.
    void newRound() { submittedPlayers.clear(); }
    // Waits until what was handed over has been tried once.
    void flush();
    // Has every song's end wait for its records to be tried once, so that
    // "New record" shows at once (for tests; the game never waits for the disk).
    void waitForWrites(bool wait) { waitsForWrites = wait; }
    // Writes what is left and stops the book, then logs its last messages.
    void close();

    std::optional<library::Record> best(const library::RecordKey& key) const;

    // The identity (ChartHash in hex) of a chart of a library song, or of the
    // game's own chart for the game's own song; empty when the file cannot be
    // read. Each chart file is read once.
    std::string chartHash(const library::SongEntry& song, std::size_t chartIndex);
    std::string ownChartHash(const std::filesystem::path& chartFile);
    // A player's round as a record on their chart: points, words, combo,
    // holds and mines, under the chart's identity (on the game's own song,
    // that of `ownChartFile`). The player's name and the rate are left out.
    library::RecordEntry roundEntry(const ArrowManager& arrows, int player, const std::filesystem::path& ownChartFile);

private:
    // Every chart's identity of one chart file, in the file's order.
    const std::vector<std::string>& hashesOf(const std::filesystem::path& chartFile);

    std::unique_ptr<library::RecordBook> book;
    std::map<std::string, std::vector<std::string>> hashes;
    std::optional<std::string> ownHash;
    // The players of the last song's records, in the order handed over.
    std::vector<int> submittedPlayers;
    bool waitsForWrites = false;
};
