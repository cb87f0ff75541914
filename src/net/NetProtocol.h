#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The constants two games agree on to battle over the network: the port, the
// protocol's version, the limits every message and field is checked against,
// and the texts both players' screens show when something goes wrong.
namespace net {

// The UDP port a host listens on unless told otherwise (the one a router forwards).
constexpr std::uint16_t defaultPort = 7493;
// Raised whenever a message's layout or meaning changes; a peer speaking
// another version is refused.
constexpr std::uint16_t protocolVersion = 3;

// Limits of messages and their fields.
constexpr std::size_t maxMessageBytes = 64;
// Packets above this are refused with a line before they reach the decoder.
constexpr std::size_t maxPacketBytes = 256;
// The transport takes and acknowledges packets up to this size, so that one
// over maxPacketBytes is refused with a line instead of being left
// unacknowledged, which would stall the reliable channel behind it. A packet
// larger still stalls only the sender's own link, which then goes silent.
constexpr std::size_t transportPacketBytes = 65536;
constexpr std::size_t maxNameBytes = 32;
constexpr std::size_t chartHashBytes = 32;
constexpr std::uint8_t maxChartIndex = 63;
constexpr std::uint8_t difficultyCount = 6;
constexpr std::uint8_t laneCount = 4;
constexpr std::uint8_t slotCount = 4;
constexpr std::uint32_t maxNoteIndex = 100000;
// The music's rate crosses in twentieths: 10 (0.5x) to 40 (2.0x), 20 its own speed.
constexpr std::uint8_t rateStepsPerUnit = 20;
constexpr std::uint8_t minRateSteps = 10;
constexpr std::uint8_t maxRateSteps = 40;
constexpr std::int32_t maxPoints = 100000000;
// The point thresholds that award a missile; a player's thresholds and
// stored missiles cross as bit sets (bit n for threshold or slot n).
constexpr std::size_t thresholdCount = 4;
constexpr std::uint16_t maxThresholdBits = (1u << thresholdCount) - 1;
constexpr std::uint8_t maxSlotBits = (1u << slotCount) - 1;
// Song times in milliseconds: a little before the music up to an hour.
constexpr std::int32_t minSongTimeMs = -60000;
constexpr std::int32_t maxSongTimeMs = 3600000;
constexpr std::int32_t maxBlockMs = 60000;
// Clock readings in microseconds of a steady clock: up to about 290 000 years.
constexpr std::int64_t maxClockUs = std::int64_t{1} << 53;

// The words a judgement can show, by the index that crosses the network.
constexpr std::array<const char*, 8> judgementWords{
    "Godlike", "Perfect", "Great", "Good", "Booo", "OK", "NG", "Boom"};
constexpr std::size_t resultWordCount = 5; // the five press words counted in the results

// Timing of the session.
constexpr std::int64_t keepAliveIntervalUs = 1000000;
// A peer that pings every second and has said nothing for four is gone:
// the player hears of it within five, however slow the frames are.
constexpr std::int64_t silenceLimitUs = 4000000;
constexpr std::int64_t syncPingIntervalUs = 30000;
// Exchanges before the clocks count as agreed: enough for the quickest trip
// each way to lie within a few hundred microseconds of the path's least
// delay under 10 ms of jitter, so that two machines start within 2 ms.
constexpr int syncExchanges = 24;
constexpr std::int64_t minStartLeadUs = 1000000;
// A start the peer names must lie within this window around the receiver's
// now: a few seconds late at most (the message was slow; the song then
// starts as far in as the moment has passed), a few seconds ahead at most.
constexpr std::int64_t maxStartLateUs = 5000000;
constexpr std::int64_t maxStartAheadUs = 10000000;
// A peer may send this many messages per second, in bursts of up to flood burst.
constexpr double floodRatePerSecond = 200.0;
constexpr double floodBurst = 400.0;

// What the screens show.
constexpr const char* opponentLeftText = "Opponent left";
constexpr const char* songMissingText = "The other player's song is not in your library";
constexpr const char* hostBusyText = "The other player's game already has an opponent";

} // namespace net
