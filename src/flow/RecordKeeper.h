#pragma once

#include "library/Record.h"
#include "library/RecordBook.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace library {
struct SongEntry;
}

// The players' records for the match: the record book in the player's
// folder, the identities of the charts the song panel shows, and what the
// last song's end handed over.
class RecordKeeper {
public:
    // The game's own chart, as its step file reader plays it.
    static constexpr const char* ownChartName = "Beginner";

    // Opens the book (on its own thread) at `file`.
    void open(const std::filesystem::path& file = library::RecordBook::fileName);
    // Writes the book's messages to the log; on the game thread, every frame.
    void writeMessages();

    // One song's records, handed over once at its end; each entry with the
    // player's number (1 or 2). Remembers which were new records.
    void submit(const std::vector<std::pair<int, library::RecordEntry>>& entries);
    bool isNewRecord(int player) const { return newRecords[player == 2 ? 1 : 0]; }
    // A new round: no new records yet.
    void newRound() { newRecords = {}; }

    std::optional<library::Record> best(const library::RecordKey& key) const;

    // The identity (ChartHash in hex) of a chart of a library song, or of the
    // game's own chart for the game's own song; empty when the file cannot be
    // read. Each chart file is read once.
    std::string chartHash(const library::SongEntry& song, std::size_t chartIndex);
    std::string ownChartHash(const std::filesystem::path& chartFile);

private:
    // Every chart's identity of one chart file, in the file's order.
    const std::vector<std::string>& hashesOf(const std::filesystem::path& chartFile);

    std::unique_ptr<library::RecordBook> book;
    std::map<std::string, std::vector<std::string>> hashes;
    std::optional<std::string> ownHash;
    std::array<bool, 2> newRecords{};
};
