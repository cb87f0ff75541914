#include "RoundWriteBench.h"

#include "game/RoundRecorder.h"
#include "library/RecordBook.h"
#include "library/ReplayFile.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double targetMs = 16.7;
constexpr int songSeconds = 300;
constexpr int pressesPerSecond = 8;
constexpr int repeats = 10;

// The round as the press judge records it, presses of one frame handed
// over a little out of order.
void recordRound(RoundRecorder& recorder)
{
    recorder.start("Songs/Flarevox/Daybreak", 20261208);
    for (int player = 1; player <= 2; ++player) {
        recorder.setPlayer(player, player == 1 ? "Kai" : "Mia", "00112233aabbccdd", "Hard", 2.0);
        for (int step = 0; step < songSeconds * pressesPerSecond; ++step) {
            const double ms = step * 1000.0 / pressesPerSecond + (player == 2 ? (step * 7919) % 41 - 20 : 0);
            const auto lane = static_cast<std::uint8_t>(step % 4);
            recorder.press(player, ms, lane, library::RoundInput::Godlike, 16);
            recorder.release(player, ms + 50.0, lane, 17);
        }
    }
    for (int second = 20; second < songSeconds; second += 20)
        recorder.missile(1 + second % 2, second * 1000.0, static_cast<std::uint8_t>(second % 4),
                         library::RoundMissile::Blocked, 4000);
}

} // namespace

BenchTable RoundWriteBench::run() const
{
    const std::filesystem::path file
        = std::filesystem::temp_directory_path() / ("flarevox-bench-records-" + std::to_string(getpid()) + ".sqlite");
    std::vector<double> ends;
    std::size_t bytes = 0;
    {
        library::RecordBook book(file);
        for (int repeat = 0; repeat < repeats; ++repeat) {
            RoundRecorder recorder;
            recordRound(recorder);
            const auto start = Clock::now();
            const library::RecordedRound& round = recorder.finish(songSeconds * 1000.0);
            library::ReplayEntry replay;
            replay.chartHashes = {round.players[0].chartHash, round.players[1].chartHash};
            replay.players = {round.players[0].name, round.players[1].name};
            replay.round = library::ReplayFile::write(round);
            std::vector<library::RecordEntry> entries(2);
            for (std::size_t player = 0; player < entries.size(); ++player)
                entries[player].key = {round.players[player].chartHash, "Hard", round.players[player].name};
            bytes = replay.round.size();
            book.submit(std::move(entries), std::move(replay));
            ends.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            book.flush();
        }
    }
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(file.string() + suffix);
    const double slowest = *std::max_element(ends.begin(), ends.end());
    std::sort(ends.begin(), ends.end());
    BenchTable table;
    table.add({"round-write", "song's end on the game thread (round kept), slowest", slowest, "ms", "one refresh",
               targetMs, "<= 16.7 ms", verdict(slowest <= targetMs)});
    table.add({"round-write", "song's end on the game thread (round kept), median", ends[ends.size() / 2], "ms", "", 0,
               "", "info"});
    table.add({"round-write", "the round's replay, five minutes of two players", bytes / 1024.0, "KiB", "", 0,
               "<= 64 KiB", verdict(bytes <= 64u * 1024)});
    return table;
}
