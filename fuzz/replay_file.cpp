// Feeds arbitrary bytes to the replay file reader; a taken round must be one
// the game can play (within the song, ordered in time) and, of the current
// version, write back to the very same bytes.

#include "FuzzCheck.h"

#include "library/ReplayFile.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const library::ReplayFile::ReadResult result = library::ReplayFile::read(bytes);
    if (!result.round) {
        fuzzCheck(!result.problem.empty(), "a refused file has a reason");
        return 0;
    }
    const library::RecordedRound& round = *result.round;
    for (const library::PlayerRound& player : round.players) {
        fuzzCheck(std::is_sorted(player.inputs.begin(), player.inputs.end(),
                                 [](const auto& a, const auto& b) { return a.songUs < b.songUs; }),
                  "a taken round's presses never go back in time");
        for (const library::RoundInput& input : player.inputs)
            fuzzCheck(input.songUs >= -library::ReplayFile::leadInUs
                          && input.songUs <= round.songLengthUs + library::ReplayFile::tailUs,
                      "a taken press lies within the song");
    }
    // An older version's file is written back in the current one.
    const std::uint16_t version = static_cast<std::uint16_t>(bytes[8] | bytes[9] << 8);
    const std::vector<std::uint8_t> again = library::ReplayFile::write(round);
    fuzzCheck(version != library::ReplayFile::version
                  || std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()),
              "a taken file of the current version writes back to its bytes");
    return 0;
}
