#pragma once

#include "library/RecordedRound.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace library {

// A recorded round as one small file, to keep in the records database or to
// share: a header ("FLVXRPLY", the format version, the body's length), the
// body (times as growing varint steps in microseconds) and a CRC-32 of all
// before it. Version 2 adds when each input was read; version 3 the presses
// in a blocked lane and, across two machines, which player this machine
// played and what the other machine told of its player. Older files are
// still read (their inputs as read at once, their rounds at one screen). The reader refuses, with a message saying why, a file that is
// truncated, garbled, of a newer version, or that claims what no round holds:
// presses outside the song, more presses than a person could make, an
// impossible rate or speed.
class ReplayFile {
public:
    static constexpr std::uint16_t version = 3;
    static constexpr std::size_t maxFileBytes = 4u << 20;
    // Presses may come this long before the music (a lead-in) and after its end.
    static constexpr std::int64_t leadInUs = 10'000'000;
    static constexpr std::int64_t tailUs = 10'000'000;
    static constexpr std::int64_t maxSongUs = 3'600'000'000;
    // No player presses more often than this within one second.
    static constexpr std::size_t maxPressesPerSecond = 60;
    static constexpr double minRate = 0.25;
    static constexpr double maxRate = 4.0;
    static constexpr double maxSpeed = 20.0;

    struct ReadResult {
        std::optional<RecordedRound> round;
        std::string problem; // why it was refused
    };

    // The round's times must not go back (as a round records them).
    static std::vector<std::uint8_t> write(const RecordedRound& round);
    static ReadResult read(std::span<const std::uint8_t> bytes);

    static bool save(const std::filesystem::path& file, const RecordedRound& round, std::string& problem);
    static ReadResult load(const std::filesystem::path& file);

    // Why the round cannot be played with the song as it is now: a chart of
    // either player that is not the one played (by its identity), or a song
    // shorter than the round's presses. Empty when it fits.
    static std::string mismatch(const RecordedRound& round, const std::array<std::string, 2>& chartHashes,
                                std::int64_t songLengthUs);

private:
    static std::string implausible(const RecordedRound& round);
    static std::string implausibleRemote(const RecordedRound& round);
};

} // namespace library
