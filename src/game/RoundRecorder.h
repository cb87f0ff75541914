#pragma once

#include "library/RecordedRound.h"

#include <cstdint>
#include <string>
#include <utility>

// Keeps the round in memory while the song plays: every press and release of
// each player where the song was, what each press hit, and every missile,
// beside each player's chart and speed and the round's random seed. Song
// times are kept to the microsecond, the resolution of a replay file.
class RoundRecorder {
public:
    // A new round: everything recorded so far goes.
    void start(std::string song, std::uint32_t seed, double rate = 1.0);
    // The song's folder (empty for the game's own song).
    void setSong(std::string song) { recorded.song = std::move(song); }
    // The round's seed (GimmickManager::setRoundSeed).
    void setSeed(std::uint32_t seed) { recorded.seed = seed; }
    // The music's rate the round was played at.
    void setRate(double rate) { recorded.rate = rate; }
    void setPlayer(int player, std::string name, std::string chartHash, std::string chart, double speed);

    // `readAfterMs`: how long after it the game read it.
    void press(int player, double songMs, std::uint8_t lane, std::uint8_t hit, std::uint32_t readAfterMs = 0);
    void release(int player, double songMs, std::uint8_t lane, std::uint32_t readAfterMs = 0);
    void missile(int player, double songMs, std::uint8_t lane, library::RoundMissile::Kind kind,
                 std::uint32_t blockMs = 0);
    // Across two machines: the player this machine plays, and what the
    // other machine tells of its player, as it arrives.
    void setLocalPlayer(int player)
    {
        recorded.localPlayer = static_cast<std::uint8_t>(player == 1 || player == 2 ? player : 0);
    }
    void remoteWord(double songMs, std::uint8_t lane, std::uint8_t word, std::uint32_t arrowNumber);
    void remotePoints(double songMs, std::uint32_t points);

    // The round as recorded, its times in order, with the song's length.
    const library::RecordedRound& finish(double songLengthMs);
    const library::RecordedRound& round() const { return recorded; }

    static std::int64_t microseconds(double songMs);

private:
    library::PlayerRound* side(int player);
    static std::uint16_t readAfter(std::uint32_t ms);

    library::RecordedRound recorded;
};
