#pragma once

#include "game/Rejudge.h"

#include <cstdint>
#include <optional>

class ArrowManager;

// The results' offset keys, one per player: the player's mean distance from
// the notes becomes a change of GlobalOffset (one offset, as both players
// hear the same output), of which only that line of the configuration is
// written, and the round is judged again at once as if it had been played
// under it (Rejudge). The records keep the round as played.
class OffsetKeys {
public:
    static constexpr std::uint8_t player1Key = 0x70; // F1
    static constexpr std::uint8_t player2Key = 0x71; // F2
    // GlobalOffset's range, as the sound manager reads it.
    static constexpr long largestOffsetMs = 2000;

    // True when the key is one of these (whether or not the offset moved).
    bool onKey(std::uint8_t code, const ArrowManager& arrows);
    // A new round: the offset already applied stays, nothing is judged again.
    void reset();
    const std::optional<Rejudge::Result>& result() const { return rejudged; }
    // The offset change applied since the round ended, in ms.
    double appliedMs() const { return shiftMs; }

private:
    void apply(int player, const ArrowManager& arrows);

    double shiftMs = 0.0;
    std::optional<Rejudge::Result> rejudged;
};
