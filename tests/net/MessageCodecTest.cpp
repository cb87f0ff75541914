#include "net/MessageCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace net;

namespace {

ChartHash hashOf(std::uint8_t seed)
{
    ChartHash hash{};
    for (std::size_t i = 0; i < hash.size(); ++i)
        hash[i] = static_cast<std::uint8_t>(seed + i * 7);
    return hash;
}

// One of every message, with fields at their limits where they have them.
std::vector<Message> everyMessage()
{
    return {
        Hello{protocolVersion, std::string(maxNameBytes, 'x')},
        Hello{protocolVersion, ""},
        SongOffer{hashOf(3), 5, maxChartIndex, maxRateSteps},
        SongAnswer{hashOf(9), true, 0, 2},
        Ready{},
        Ping{0xFFFFFFFFu, maxClockUs},
        Pong{7, 1, 2, 3},
        StartAt{123456789},
        Judgement{2, 3, maxNoteIndex, 7, -maxPoints},
        MissileLaunched{65535, 3, 0, minSongTimeMs},
        MissileOutcome{4, MissileFate::Blocking, 1000, 1000 + maxBlockMs},
        PointsState{maxPoints, maxThresholdBits, maxSlotBits},
        SongEnd{4321, {1, 2, 3, 4, 65535}, 6, 7, 8},
        Goodbye{GoodbyeReason::Busy},
    };
}

std::vector<std::uint8_t> encoded(const Message& message, std::uint32_t sequence = 1)
{
    return MessageCodec::encode({sequence, message});
}

// Bytes with one little-endian field overwritten.
std::vector<std::uint8_t> patched(std::vector<std::uint8_t> bytes, std::size_t offset, std::uint64_t value,
    std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
    return bytes;
}

} // namespace

TEST(MessageCodec, EveryMessageSurvivesTheRoundTripWithinTheSizeLimit)
{
    for (const Message& message : everyMessage()) {
        const std::vector<std::uint8_t> bytes = encoded(message, 0xABCDEF01u);
        EXPECT_LE(bytes.size(), maxMessageBytes) << "type " << message.index();
        EXPECT_EQ(bytes[0], message.index() + 1);
        const DecodeResult result = MessageCodec::decode(bytes);
        ASSERT_TRUE(result.ok) << "type " << message.index() << ": " << result.reason;
        EXPECT_EQ(result.envelope.sequence, 0xABCDEF01u);
        EXPECT_EQ(MessageCodec::encode(result.envelope), bytes) << "type " << message.index();
    }
}

TEST(MessageCodec, FieldsAreLittleEndianWithoutPadding)
{
    const std::vector<std::uint8_t> bytes = encoded(Judgement{1, 2, 0x030201, 4, -2}, 0x0A0B0C0D);
    const std::vector<std::uint8_t> expected{8, 0x0D, 0x0C, 0x0B, 0x0A, 1, 2, 0x01, 0x02, 0x03, 0, 4, 0xFE, 0xFF,
        0xFF, 0xFF};
    EXPECT_EQ(bytes, expected);
}

TEST(MessageCodec, BadInputIsRefusedWithAReason)
{
    const auto judgement = encoded(Judgement{1, 2, 10, 0, 500});
    const auto outcome = encoded(MissileOutcome{1, MissileFate::Blocking, 1000, 2000});
    const auto hello = encoded(Hello{protocolVersion, "Left Feet"});
    const auto pong = encoded(Pong{1, 100, 200, 300});
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        DropKind kind;
        std::string reason;
    };
    std::vector<std::uint8_t> trailing = judgement;
    trailing.push_back(0);
    std::vector<std::uint8_t> controlName = hello;
    controlName.back() = '\n';
    const std::vector<Case> cases{
        {"empty", {}, DropKind::Malformed, "has no header"},
        {"header cut short", {8, 1, 0}, DropKind::Malformed, "has no header"},
        {"oversized", std::vector<std::uint8_t>(maxMessageBytes + 1, 5), DropKind::Oversized, "more than 64"},
        {"type 0", {0, 1, 0, 0, 0}, DropKind::UnknownType, "type 0"},
        {"type after the last", {14, 1, 0, 0, 0}, DropKind::UnknownType, "type 14"},
        {"type 255", {255, 1, 0, 0, 0}, DropKind::UnknownType, "type 255"},
        {"sequence 0", patched(judgement, 1, 0, 4), DropKind::Malformed, "sequence number 0"},
        {"judgement cut short", {judgement.begin(), judgement.end() - 1}, DropKind::Malformed, "ends early"},
        {"byte after the last field", trailing, DropKind::Malformed, "bytes after the last field"},
        {"player 0", patched(judgement, 5, 0, 1), DropKind::Malformed, "player 0"},
        {"player 3", patched(judgement, 5, 3, 1), DropKind::Malformed, "player 3"},
        {"lane 4", patched(judgement, 6, 4, 1), DropKind::Malformed, "lane 4"},
        {"note index too high", patched(judgement, 7, maxNoteIndex + 1, 4), DropKind::Malformed, "note index"},
        {"word 8", patched(judgement, 11, 8, 1), DropKind::Malformed, "word 8"},
        {"points too high", patched(judgement, 12, maxPoints + 1, 4), DropKind::Malformed, "points"},
        {"fate 3", patched(outcome, 7, 3, 1), DropKind::Malformed, "fate 3"},
        {"block ends before it starts", patched(outcome, 12, 999, 4), DropKind::Malformed, "span"},
        {"block too long", patched(outcome, 12, 1000 + maxBlockMs + 1, 4), DropKind::Malformed, "span"},
        {"block after an hour", patched(outcome, 12, maxSongTimeMs + 1, 4), DropKind::Malformed, "block end"},
        {"name too long", patched(hello, 7, maxNameBytes + 1, 1), DropKind::Malformed, "name length 33"},
        {"name longer than the packet", patched(hello, 7, 20, 1), DropKind::Malformed, "ends early"},
        {"name with a line break", controlName, DropKind::Malformed, "control character"},
        {"negative clock", patched(pong, 9, 0xFFFFFFFFFFFFFFFFull, 8), DropKind::Malformed, "ping time -1"},
        {"reply before receipt", patched(pong, 25, 199, 8), DropKind::Malformed, "reply comes before"},
        {"missile slot 4", patched(encoded(MissileLaunched{1, 0, 0, 0}), 7, 4, 1), DropKind::Malformed, "slot 4"},
        {"a fifth slot stored", patched(encoded(PointsState{0, 0, 0}), 11, maxSlotBits + 1, 1), DropKind::Malformed,
            "missiles in store 16"},
        {"a fifth threshold", patched(encoded(PointsState{0, 0, 0}), 9, maxThresholdBits + 1, 2), DropKind::Malformed,
            "thresholds 16"},
        {"points below the floor", patched(encoded(PointsState{0, 0, 0}), 5, static_cast<std::uint32_t>(-maxPoints - 1), 4),
            DropKind::Malformed, "points"},
        {"song flag 2", patched(encoded(SongAnswer{}), 37, 2, 1), DropKind::Malformed, "song flag 2"},
        {"difficulty 6", patched(encoded(SongOffer{}), 37, 6, 1), DropKind::Malformed, "difficulty 6"},
        {"rate below 0.5x", patched(encoded(SongOffer{}), 39, minRateSteps - 1, 1), DropKind::Malformed, "music rate 9"},
        {"rate above 2.0x", patched(encoded(SongOffer{}), 39, maxRateSteps + 1, 1), DropKind::Malformed, "music rate 41"},
        {"goodbye reason 3", patched(encoded(Goodbye{}), 5, 3, 1), DropKind::Malformed, "reason 3"},
        {"ready with a payload", {4, 1, 0, 0, 0, 0}, DropKind::Malformed, "bytes after the last field"},
    };
    for (const Case& c : cases) {
        const DecodeResult result = MessageCodec::decode(c.bytes);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(result.kind, c.kind) << c.what;
        EXPECT_NE(result.reason.find(c.reason), std::string::npos) << c.what << ": " << result.reason;
    }
}
