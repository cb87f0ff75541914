#include "library/ReplayFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using library::RecordedRound;
using library::ReplayFile;
using library::RoundInput;
using library::RemoteEvent;
using library::RoundMissile;

// A song of `seconds` with each player pressing and releasing `perSecond`
// times a second, the second player a little sloppy, and a missile battle.
RecordedRound roundOf(int seconds, int perSecond)
{
    RecordedRound round;
    round.song = "Songs/Forged/Fast Five";
    round.songLengthUs = std::int64_t{seconds} * 1'000'000;
    round.rate = 1.0;
    round.seed = 123456789;
    for (int player = 0; player < 2; ++player) {
        library::PlayerRound& side = round.players[static_cast<std::size_t>(player)];
        side.name = player == 0 ? "Kai" : "Mia";
        side.chartHash = player == 0 ? "00112233aabbccdd" : "ffeeddcc44332211";
        side.chart = player == 0 ? "Hard" : "Challenge";
        side.speed = player == 0 ? 1.5 : 3.0;
        for (std::int64_t at = 0; at < round.songLengthUs; at += 1'000'000 / perSecond) {
            const auto lane = static_cast<std::uint8_t>((at / 7919) % 4);
            const std::int64_t sloppy = player == 0 ? 0 : (at / 1000 * 7919) % 40'001 - 20'000;
            side.inputs.push_back({at + sloppy + 45'000, lane, false, static_cast<std::uint8_t>(1 + (at / 3) % 5), 17});
            side.inputs.push_back({at + sloppy + 95'000, lane, true, RoundInput::Nothing, 16});
        }
    }
    for (std::int64_t at = 5'000'000; at < round.songLengthUs; at += 9'000'000)
        round.missiles.push_back({at, static_cast<std::uint8_t>(1 + at / 9'000'000 % 2),
                                  static_cast<std::uint8_t>(at % 4), RoundMissile::Sent, 0});
    round.missiles.push_back({round.songLengthUs - 1, 2, 3, RoundMissile::Blocked, 4000});
    return round;
}

// The same round of a battle across two machines as player 2's machine
// kept it: player 1 as its machine told it.
RecordedRound networkRoundOf(int seconds, int perSecond)
{
    RecordedRound round = roundOf(seconds, perSecond);
    round.localPlayer = 2;
    round.players[0].inputs.clear();
    round.players[1].inputs[2].hit = RoundInput::Blocked;
    for (std::int64_t at = 0; at < round.songLengthUs; at += 250'000) {
        const auto arrow = static_cast<std::uint32_t>(1 + at / 250'000);
        round.remote.push_back({at + 30'000, RemoteEvent::Word, static_cast<std::uint8_t>(arrow % 4),
                                static_cast<std::uint8_t>(arrow % 8), arrow, 0});
        round.remote.push_back({at + 30'000, RemoteEvent::Points, 0, 0, 0, arrow * 800});
    }
    return round;
}

std::uint32_t crc32(const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

// A round at one screen as a version 2 game wrote it: the same, without
// the machine's player and the other machine's words at the body's end.
std::vector<std::uint8_t> asVersion2(const RecordedRound& round)
{
    const std::vector<std::uint8_t> current = ReplayFile::write(round);
    std::vector<std::uint8_t> old(current.begin(), current.end() - 6);
    old[8] = 2;
    old[9] = 0;
    const std::uint32_t body = old[10] + (old[11] << 8) + (old[12] << 16) + (std::uint32_t{old[13]} << 24) - 2;
    for (int index = 0; index < 4; ++index)
        old[10 + static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(body >> (8 * index));
    const std::uint32_t check = crc32(old);
    for (int index = 0; index < 4; ++index)
        old.push_back(static_cast<std::uint8_t>(check >> (8 * index)));
    return old;
}

std::string refusal(const std::vector<std::uint8_t>& bytes)
{
    const ReplayFile::ReadResult result = ReplayFile::read(bytes);
    return result.round ? std::string() : result.problem;
}

} // namespace

// A five-minute song of two busy players fits the database's budget, comes
// back as it went, and survives the trip through a file.
TEST(ReplayFile, ARoundComesBackAsItWasAndFiveMinutesFitIn64KiB)
{
    const RecordedRound round = roundOf(300, 8);
    const std::vector<std::uint8_t> bytes = ReplayFile::write(round);
    EXPECT_LE(bytes.size(), 64u * 1024);
    const ReplayFile::ReadResult read = ReplayFile::read(bytes);
    ASSERT_TRUE(read.round) << read.problem;
    EXPECT_EQ(*read.round, round);

    const testsupport::ScratchDir scratch;
    std::string problem;
    ASSERT_TRUE(ReplayFile::save("round.flvxr", round, problem)) << problem;
    EXPECT_EQ(*ReplayFile::load("round.flvxr").round, round);
    EXPECT_EQ(ReplayFile::load("missing.flvxr").problem, "cannot be opened");
}

TEST(ReplayFile, HostileFilesAreRefusedWithTheirReason)
{
    const std::vector<std::uint8_t> good = ReplayFile::write(roundOf(20, 4));
    for (const std::size_t kept : {std::size_t{0}, std::size_t{5}, std::size_t{12}, good.size() / 2, good.size() - 1}) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(kept));
        EXPECT_TRUE(refusal(cut).starts_with(kept < 8 ? "not a replay file" : "truncated")) << kept << refusal(cut);
    }
    // Any single byte changed is caught, whatever it hits.
    for (std::size_t at = 8; at < good.size(); ++at) {
        std::vector<std::uint8_t> garbled = good;
        garbled[at] ^= 0x5A;
        EXPECT_FALSE(refusal(garbled).empty()) << "byte " << at;
    }
    std::vector<std::uint8_t> newer = good;
    newer[8] = static_cast<std::uint8_t>(ReplayFile::version + 1);
    EXPECT_EQ(refusal(newer), "made by a newer version of the game (replay version "
                                  + std::to_string(ReplayFile::version + 1) + ")");
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_TRUE(refusal(longer).starts_with("garbled")) << refusal(longer);

    // Well-formed files that claim what no round holds.
    const struct {
        const char* problem;
        void (*change)(RecordedRound&);
    } claims[] = {
        {"a press of player 2 outside the song",
         [](RecordedRound& r) { r.players[1].inputs.push_back({r.songLengthUs + 60'000'000, 0, false, 0}); }},
        {"more presses of player 1 than a person could make",
         [](RecordedRound& r) {
             for (int press = 0; press < 61; ++press)
                 r.players[0].inputs.push_back({r.songLengthUs + press, 1, false, 0});
         }},
        {"an impossible music rate", [](RecordedRound& r) { r.rate = 0.0; }},
        {"an impossible music rate", [](RecordedRound& r) { r.rate = std::nan(""); }},
        {"an impossible speed for player 2", [](RecordedRound& r) { r.players[1].speed = INFINITY; }},
        {"an impossible song length", [](RecordedRound& r) { r.songLengthUs = 0; }},
        {"garbled (a machine of player 3)", [](RecordedRound& r) { r.localPlayer = 3; }},
        {"garbled (words of another machine in a round at one screen)",
         [](RecordedRound& r) { r.remote.push_back({0, RemoteEvent::Points, 0, 0, 0, 100}); }},
        {"presses of player 2, whom the other machine played", [](RecordedRound& r) { r.localPlayer = 1; }},
        {"a word of player 1 outside the song",
         [](RecordedRound& r) {
             r.localPlayer = 2;
             r.players[0].inputs.clear();
             r.remote.push_back({r.songLengthUs + 60'000'000, RemoteEvent::Word, 1, 0, 4, 0});
         }},
    };
    for (const auto& claim : claims) {
        RecordedRound round = roundOf(20, 4);
        claim.change(round);
        EXPECT_EQ(refusal(ReplayFile::write(round)), claim.problem);
    }
}

// A replay is played only with the charts it was played on.
TEST(ReplayFile, AChangedChartOrAShorterSongIsNamed)
{
    const RecordedRound round = roundOf(20, 4);
    const std::array<std::string, 2> hashes{round.players[0].chartHash, round.players[1].chartHash};
    EXPECT_EQ(ReplayFile::mismatch(round, hashes, round.songLengthUs), "");
    EXPECT_EQ(ReplayFile::mismatch(round, {hashes[0], "0000000000000000"}, round.songLengthUs),
              "the chart of player 2 (Challenge) has changed since the round");
    EXPECT_EQ(ReplayFile::mismatch(round, hashes, 5'000'000), "the song is shorter than the round");
}

// A battle's round keeps which player this machine played and the other
// machine's words and points in their order; an older file is read as a
// round at one screen, and a press it marks blocked (unknown to it) is refused.
TEST(ReplayFile, ABattleAcrossTwoMachinesComesBackAndOlderFilesStillRead)
{
    const RecordedRound battle = networkRoundOf(60, 4);
    const ReplayFile::ReadResult read = ReplayFile::read(ReplayFile::write(battle));
    ASSERT_TRUE(read.round) << read.problem;
    EXPECT_EQ(*read.round, battle);
    EXPECT_EQ(read.round->remote.size(), 480u);

    RecordedRound points = battle;
    points.remote.back().word = 3;
    EXPECT_EQ(refusal(ReplayFile::write(points)), "garbled (its contents do not fit together)")
        << "points carry no word";

    RecordedRound single = roundOf(20, 4);
    const ReplayFile::ReadResult old = ReplayFile::read(asVersion2(single));
    ASSERT_TRUE(old.round) << old.problem;
    EXPECT_FALSE(old.round->blocksKept);
    single.blocksKept = false;
    EXPECT_EQ(*old.round, single);
    single.blocksKept = true;
    RecordedRound blocked = single;
    blocked.players[0].inputs[0].hit = RoundInput::Blocked;
    EXPECT_EQ(refusal(asVersion2(blocked)), "garbled (its contents do not fit together)");
}
