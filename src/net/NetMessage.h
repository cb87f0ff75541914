#pragma once

#include "net/NetProtocol.h"

#include <array>
#include <cstdint>
#include <string>
#include <variant>

// The messages two games exchange during a network battle. Times named "Us"
// are microseconds of the sender's (or, where said, the receiver's) steady
// clock; times named "Ms" are song times in milliseconds.
namespace net {

using ChartHash = std::array<std::uint8_t, chartHashBytes>;

enum class MessageType : std::uint8_t {
    Hello = 1,
    SongOffer,
    SongAnswer,
    Ready,
    Ping,
    Pong,
    StartAt,
    Judgement,
    MissileLaunched,
    MissileOutcome,
    PointsState,
    SongEnd,
    Goodbye,
};

// The first message each side sends. Only the version is read from a peer of
// another version (the rest of its hello may be laid out differently).
struct Hello {
    std::uint16_t version = protocolVersion;
    std::string name;
};

// The host's song, known by the hash of its chart data, the host's chart, and
// the rate both machines play the music at.
struct SongOffer {
    ChartHash songHash{};
    std::uint8_t difficulty = 0;
    std::uint8_t chartIndex = 0;
    std::uint8_t rateSteps = rateStepsPerUnit;
};

// The guest's answer: whether it has the song, and the guest's own chart.
struct SongAnswer {
    ChartHash songHash{};
    bool hasSong = false;
    std::uint8_t difficulty = 0;
    std::uint8_t chartIndex = 0;
};

struct Ready {};

struct Ping {
    std::uint32_t id = 0;
    std::int64_t sentUs = 0;
};

// The answer to a ping: its send time echoed, and when the answering side
// received it and replied, in the answering side's clock.
struct Pong {
    std::uint32_t id = 0;
    std::int64_t pingSentUs = 0;
    std::int64_t receivedUs = 0;
    std::int64_t repliedUs = 0;
};

// The moment the song starts, in the receiver's clock.
struct StartAt {
    std::int64_t startUs = 0;
};

// A judgement the sender's machine made of its own player's press.
struct Judgement {
    std::uint8_t player = 1;
    std::uint8_t lane = 0;
    std::uint32_t noteIndex = 0;
    std::uint8_t word = 0; // into judgementWords
    std::int32_t pointsAfter = 0;
};

struct MissileLaunched {
    std::uint16_t missile = 0; // the launcher's number for it, echoed by its outcome
    std::uint8_t slot = 0;
    std::uint8_t lane = 0;
    std::int32_t songTimeMs = 0;
};

enum class MissileFate : std::uint8_t { Caught, Blocking, Spent };

// What became of a missile, decided by the machine whose lane it flew at.
struct MissileOutcome {
    std::uint16_t missile = 0;
    MissileFate fate = MissileFate::Spent;
    std::int32_t blockStartMs = 0;
    std::int32_t blockEndMs = 0;
};

// The sender's player's points, the thresholds that player has been awarded
// (bit n for threshold n) and the slots holding a missile (bit n for slot n).
// The sender's machine is the authority for all three.
struct PointsState {
    std::int32_t points = 0;
    std::uint16_t thresholdsAwarded = 0;
    std::uint8_t missilesInStore = 0;
};

// The sender's player's totals at the song's end.
struct SongEnd {
    std::int32_t points = 0;
    std::array<std::uint16_t, resultWordCount> words{}; // presses per word, "Godlike" first
    std::uint16_t holdsOk = 0;
    std::uint16_t holdsNg = 0;
    std::uint16_t minesHit = 0;
};

enum class GoodbyeReason : std::uint8_t { Leaving, VersionMismatch, Busy };

struct Goodbye {
    GoodbyeReason reason = GoodbyeReason::Leaving;
};

using Message = std::variant<Hello, SongOffer, SongAnswer, Ready, Ping, Pong, StartAt, Judgement, MissileLaunched,
    MissileOutcome, PointsState, SongEnd, Goodbye>;

// A message with the sender's sequence number (1 for its first message).
struct Envelope {
    std::uint32_t sequence = 0;
    Message message;
};

// The wire type of a message: the alternatives above are in type order.
inline MessageType typeOf(const Message& message)
{
    return static_cast<MessageType>(message.index() + 1);
}

} // namespace net
