#include "core/OutputHandler.h"
#include "game/MissileStore.h"
#include "net/MessageCodec.h"
#include "net/NetSession.h"
#include "platform/EnetHost.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

using namespace net;
using namespace std::chrono_literals;

namespace {

constexpr const char* loopback = "127.0.0.1";
// Ports of their own, so that other runs on the machine do not collide.
constexpr std::uint16_t firstPort = 47931;
// The guest's clock runs this far ahead of the host's.
constexpr std::int64_t guestAheadUs = 3217000123;
constexpr std::uint16_t olderVersion = protocolVersion - 1;

std::int64_t guestClock()
{
    return NetSession::steadyMicroseconds() + guestAheadUs;
}

using testsupport::pollUntil;

void pump(NetSession& a, NetSession& b)
{
    a.update();
    b.update();
}

bool connectPair(NetSession& host, NetSession& guest, std::uint16_t hostPort, std::uint16_t joinPort)
{
    if (!host.host(hostPort, loopback) || !guest.join(loopback, joinPort))
        return false;
    return pollUntil([&] { pump(host, guest); }, [&] {
        return host.clockSynced() && guest.clockSynced();
    }, 10s);
}

// A raw end of the link, speaking bytes, for what a well-behaved session never sends.
struct RawPeer {
    platform::EnetHost link;
    std::vector<Envelope> received;
    bool disconnected = false;

    void poll()
    {
        platform::EnetHost::Event event;
        while (link.poll(event)) {
            if (event.kind == platform::EnetHost::EventKind::Disconnected)
                disconnected = true;
            if (event.kind != platform::EnetHost::EventKind::Received)
                continue;
            const DecodeResult result = MessageCodec::decode(event.bytes);
            if (result.ok)
                received.push_back(result.envelope);
        }
    }
    void send(std::uint32_t sequence, const Message& message) { link.send(MessageCodec::encode({sequence, message})); }
    bool joinAndGreet(NetSession& host, std::uint16_t port, std::uint16_t version = protocolVersion)
    {
        std::string error;
        if (!link.connect(loopback, port, transportPacketBytes, error))
            return false;
        if (!pollUntil([&] { host.update(); poll(); }, [&] { return link.hasPeer(); }))
            return false;
        send(1, Hello{version, "raw"});
        return true;
    }
};

// One machine of a battle as far as missiles in store go: it awards only its
// own player and takes the other player's thresholds and slots as that
// player's machine sends them with the points.
struct StoreMachine {
    StoreMachine(const char* name, int local) : session(name), local(local) { store.awardOnly(local); }
    int remote() const { return 3 - local; }

    void frame()
    {
        session.update();
        while (auto message = session.receive()) {
            if (const auto* state = std::get_if<PointsState>(&*message)) {
                remotePoints = static_cast<std::uint32_t>(state->points);
                store.adopt(remote(), state->thresholdsAwarded, state->missilesInStore);
            }
        }
        awardAndSend();
    }

    // Before anything from the other machine is read: as if it were far away.
    void awardAndSend()
    {
        store.awardReached(local == 1 ? points : remotePoints, local == 2 ? points : remotePoints);
        const PointsState state{static_cast<std::int32_t>(points), store.awardedTo(local), store.storedBy(local)};
        const bool same = sent && sent->points == state.points && sent->thresholdsAwarded == state.thresholdsAwarded
            && sent->missilesInStore == state.missilesInStore;
        if (!same && session.send(state))
            sent = state;
    }

    NetSession session;
    MissileStore store;
    int local;
    std::uint32_t points = 0;
    std::uint32_t remotePoints = 0;
    std::optional<PointsState> sent;
};

bool storesAgree(const StoreMachine& a, const StoreMachine& b)
{
    for (int player = 1; player <= 2; ++player) {
        if (a.store.awardedTo(player) != b.store.awardedTo(player) || a.store.storedBy(player) != b.store.storedBy(player))
            return false;
    }
    return true;
}

} // namespace

TEST(NetSession, TwoGamesGreetSyncClocksAndStartTogether)
{
    NetSession host("Left Feet");
    NetSession guest("Right Feet", guestClock);
    ASSERT_TRUE(connectPair(host, guest, firstPort, firstPort));
    EXPECT_EQ(host.state(), NetSession::State::Connected);
    EXPECT_EQ(guest.peerName(), "Left Feet");
    EXPECT_EQ(host.peerName(), "Right Feet");
    EXPECT_TRUE(host.isHost());
    // On the loopback the offset is known to within well under 2 ms.
    EXPECT_NEAR(static_cast<double>(host.clockSync().best()->offsetUs), guestAheadUs, 2000.0);
    EXPECT_NEAR(static_cast<double>(guest.clockSync().best()->offsetUs), -guestAheadUs, 2000.0);

    EXPECT_FALSE(guest.startSong()) << "only the host names the start";
    const std::optional<std::int64_t> start = host.startSong(0);
    ASSERT_TRUE(start);
    EXPECT_GE(*start - host.now(), minStartLeadUs - 1000) << "at least a second ahead";
    ASSERT_TRUE(pollUntil([&] { pump(host, guest); }, [&] { return guest.songStartUs().has_value(); }));
    EXPECT_NEAR(static_cast<double>(*guest.songStartUs() - guestAheadUs - *start), 0.0, 2000.0);
    EXPECT_EQ(guest.state(), NetSession::State::InSong);
    EXPECT_TRUE(std::holds_alternative<StartAt>(*guest.receive()));

    // Game messages cross in order; both song ends bring both back to Connected.
    ASSERT_TRUE(guest.send(Judgement{2, 1, 0, 0, 500}));
    ASSERT_TRUE(guest.send(MissileLaunched{1, 0, 3, 12000}));
    ASSERT_TRUE(guest.send(SongEnd{500, {1, 0, 0, 0, 0}, 0, 0, 0}));
    ASSERT_TRUE(host.send(SongEnd{0, {}, 0, 0, 0}));
    EXPECT_FALSE(host.send(Ping{1, 1})) << "the session's own messages are not the game's";
    std::vector<Message> arrived;
    ASSERT_TRUE(pollUntil([&] {
        pump(host, guest);
        while (auto message = host.receive())
            arrived.push_back(*message);
    }, [&] { return arrived.size() == 3 && guest.state() == NetSession::State::Connected; }));
    EXPECT_EQ(std::get<Judgement>(arrived[0]).pointsAfter, 500);
    EXPECT_EQ(std::get<MissileLaunched>(arrived[1]).lane, 3);
    EXPECT_TRUE(std::holds_alternative<SongEnd>(arrived[2]));
    EXPECT_EQ(host.state(), NetSession::State::Connected);

    guest.close();
    ASSERT_TRUE(pollUntil([&] { host.update(); }, [&] { return host.state() == NetSession::State::PeerLost; }));
    EXPECT_EQ(host.problem(), opponentLeftText);
}

TEST(NetSession, ASecondGuestIsTurnedAway)
{
    NetSession host("host");
    NetSession first("first");
    NetSession second("second");
    ASSERT_TRUE(connectPair(host, first, firstPort + 1, firstPort + 1));
    ASSERT_TRUE(second.join(loopback, firstPort + 1));
    ASSERT_TRUE(pollUntil([&] { pump(host, first); second.update(); },
        [&] { return second.state() == NetSession::State::Failed; }));
    EXPECT_EQ(second.problem(), hostBusyText);
    EXPECT_EQ(host.state(), NetSession::State::Connected);
    EXPECT_EQ(first.state(), NetSession::State::Connected);
}

TEST(NetSession, AnotherVersionIsRefusedOnBothSides)
{
    // A host meets a guest of the version before...
    NetSession host("host");
    ASSERT_TRUE(host.host(firstPort + 2, loopback));
    RawPeer guest;
    ASSERT_TRUE(guest.joinAndGreet(host, firstPort + 2, olderVersion));
    ASSERT_TRUE(pollUntil([&] { host.update(); guest.poll(); }, [&] { return guest.disconnected; }));
    EXPECT_EQ(host.state(), NetSession::State::Failed);
    EXPECT_EQ(host.problem(), NetSession::versionMismatchText(olderVersion));
    EXPECT_NE(host.problem().find("network version " + std::to_string(olderVersion) + ", this one "
                                  + std::to_string(protocolVersion)),
              std::string::npos);
    ASSERT_EQ(guest.received.size(), 2u);
    EXPECT_EQ(std::get<Goodbye>(guest.received[1].message).reason, GoodbyeReason::VersionMismatch);

    // ...and a guest meets a host of that version.
    RawPeer oldHost;
    std::string error;
    ASSERT_TRUE(oldHost.link.host(loopback, firstPort + 3, maxPacketBytes, error)) << error;
    NetSession joiner("joiner");
    ASSERT_TRUE(joiner.join(loopback, firstPort + 3));
    ASSERT_TRUE(pollUntil([&] { joiner.update(); oldHost.poll(); }, [&] { return oldHost.link.hasPeer(); }));
    oldHost.send(1, Hello{olderVersion, ""});
    ASSERT_TRUE(pollUntil([&] { joiner.update(); oldHost.poll(); },
        [&] { return joiner.state() == NetSession::State::Failed; }));
    EXPECT_EQ(joiner.problem(), NetSession::versionMismatchText(olderVersion));
}

TEST(NetSession, AScriptedPeerCannotEndHostingNorEndOrMoveTheSong)
{
    // A goodbye before any hello is a guest leaving, not the host refusing.
    NetSession host("host");
    ASSERT_TRUE(host.host(firstPort + 9, loopback));
    RawPeer stranger;
    std::string error;
    ASSERT_TRUE(stranger.link.connect(loopback, firstPort + 9, transportPacketBytes, error));
    ASSERT_TRUE(pollUntil([&] { host.update(); stranger.poll(); }, [&] { return stranger.link.hasPeer(); }));
    stranger.send(1, Goodbye{GoodbyeReason::Busy});
    ASSERT_TRUE(pollUntil([&] { host.update(); stranger.poll(); }, [&] { return stranger.disconnected; }));
    EXPECT_EQ(host.state(), NetSession::State::Hosting);
    NetSession guest("guest");
    ASSERT_TRUE(guest.join(loopback, firstPort + 9));
    EXPECT_TRUE(pollUntil([&] { pump(host, guest); }, [&] { return guest.state() == NetSession::State::Connected; }));

    // A host's totals before the song, and starts at 0 or in 2^53 us, are refused.
    RawPeer rawHost;
    ASSERT_TRUE(rawHost.link.host(loopback, firstPort + 10, transportPacketBytes, error)) << error;
    NetSession joiner("joiner");
    ASSERT_TRUE(joiner.join(loopback, firstPort + 10));
    ASSERT_TRUE(pollUntil([&] { joiner.update(); rawHost.poll(); }, [&] { return rawHost.link.hasPeer(); }));
    rawHost.send(1, Hello{protocolVersion, "raw"});
    ASSERT_TRUE(pollUntil([&] { joiner.update(); rawHost.poll(); },
        [&] { return joiner.state() == NetSession::State::Connected; }));
    rawHost.send(2, SongEnd{12800, {}, 0, 0, 0});
    rawHost.send(3, StartAt{0});
    rawHost.send(4, StartAt{maxClockUs});
    ASSERT_TRUE(pollUntil([&] { joiner.update(); rawHost.poll(); },
        [&] { return joiner.dropped(DropKind::Malformed) == 3; }));
    EXPECT_EQ(joiner.state(), NetSession::State::Connected);
    EXPECT_FALSE(joiner.receive().has_value());
    rawHost.send(5, StartAt{NetSession::steadyMicroseconds() + 2000000});
    EXPECT_TRUE(pollUntil([&] { joiner.update(); rawHost.poll(); },
        [&] { return joiner.state() == NetSession::State::InSong; }));
}

TEST(NetSession, DuplicateMalformedAndFloodingMessagesAreDroppedWithFewLogLines)
{
    const auto logPath = std::filesystem::temp_directory_path() / "flarevox-net-drops.log";
    ASSERT_TRUE(OutputHandler::instance()->open(logPath.string()));
    NetSession host("host");
    ASSERT_TRUE(host.host(firstPort + 4, loopback));
    RawPeer guest;
    ASSERT_TRUE(guest.joinAndGreet(host, firstPort + 4));
    guest.send(2, Judgement{2, 0, 1, 0, 100});
    guest.send(2, Judgement{2, 0, 2, 0, 200});
    guest.send(1, Judgement{2, 0, 3, 0, 300});
    guest.link.send(std::vector<std::uint8_t>{99, 1, 2, 3, 4});
    // Over the packet limit, in one datagram and in fragments: refused with
    // a line, and the reliable channel goes on behind them.
    guest.link.send(std::vector<std::uint8_t>(maxPacketBytes + 1, 8));
    guest.link.send(std::vector<std::uint8_t>(5000, 8));
    guest.link.send(std::vector<std::uint8_t>(200, 8));
    guest.send(3, Judgement{9, 7, 4, 99, 400});
    guest.send(4, Judgement{2, 0, 4, 0, 400});
    std::vector<std::int32_t> points;
    const auto collect = [&] {
        host.update();
        guest.poll();
        while (auto message = host.receive())
            if (const auto* judgement = std::get_if<Judgement>(&*message))
                points.push_back(judgement->pointsAfter);
    };
    ASSERT_TRUE(pollUntil(collect, [&] { return points.size() == 2; }));
    for (std::uint32_t sequence = 5; sequence < 1005; ++sequence)
        guest.send(sequence, Ready{});
    ASSERT_TRUE(pollUntil(collect, [&] { return host.dropped(DropKind::Flood) > 0; }));
    // The floods held back are still told once their second is over.
    pollUntil(collect, [] { return false; }, 1200ms);
    EXPECT_EQ(points, (std::vector<std::int32_t>{100, 400}));
    EXPECT_EQ(host.dropped(DropKind::Duplicate), 2u);
    EXPECT_EQ(host.dropped(DropKind::UnknownType), 1u);
    EXPECT_EQ(host.dropped(DropKind::Oversized), 3u);
    EXPECT_EQ(host.state(), NetSession::State::Connected) << "dropping is not disconnecting";
    host.close();
    OutputHandler::instance()->close();

    std::ifstream log(logPath);
    int duplicateLines = 0;
    int floodLines = 0;
    int heldFloodLines = 0;
    bool everyFieldNamed = false;
    bool oversizedNamed = false;
    for (std::string line; std::getline(log, line);) {
        duplicateLines += line.find("dropped a duplicate") != std::string::npos;
        floodLines += line.find("dropped a flood") != std::string::npos;
        heldFloodLines += line.find("more flood messages from \"raw\"") != std::string::npos;
        everyFieldNamed |= line.find("player 9 is out of range; lane 7 is out of range; word 99 is out of range") !=
            std::string::npos;
        oversizedNamed |= line.find("dropped a oversized message from 127.0.0.1") != std::string::npos &&
            line.find("257 bytes, more than 256") != std::string::npos;
    }
    EXPECT_EQ(duplicateLines, 1) << "one line per kind and second";
    EXPECT_EQ(floodLines, 1);
    EXPECT_EQ(heldFloodLines, 1);
    EXPECT_TRUE(everyFieldNamed);
    EXPECT_TRUE(oversizedNamed);
    std::filesystem::remove(logPath);
}

TEST(NetSession, ASilentPeerIsNoticedWithinFiveSeconds)
{
    NetSession host("host");
    ASSERT_TRUE(host.host(firstPort + 5, loopback));
    RawPeer guest;
    ASSERT_TRUE(guest.joinAndGreet(host, firstPort + 5));
    ASSERT_TRUE(pollUntil([&] { host.update(); guest.poll(); },
        [&] { return host.state() == NetSession::State::Connected; }));
    // From now on the guest answers nothing, as if its cable were pulled.
    const auto silentFrom = std::chrono::steady_clock::now();
    ASSERT_TRUE(pollUntil([&] { host.update(); }, [&] { return host.state() == NetSession::State::PeerLost; }, 8s));
    const auto noticedAfter = std::chrono::steady_clock::now() - silentFrom;
    EXPECT_LE(noticedAfter, 5s + 100ms);
    EXPECT_GE(noticedAfter, 3s) << "a peer is not given up too early";
    EXPECT_EQ(host.problem(), opponentLeftText);
}

TEST(NetSession, ThroughARelayWithDelayJitterAndLossEveryMessageArrivesOnceInOrder)
{
    const std::uint16_t hostPort = firstPort + 6;
    const std::uint16_t relayPort = firstPort + 7;
    testsupport::ChildProcess relay({FLAREVOX_RELAY, "--listen", std::to_string(relayPort), "--to", "127.0.0.1:" + std::to_string(hostPort),
        "--delay", "50", "--jitter", "10", "--loss", "0.02", "--seed", "1", "--seconds", "60"},
                                    testsupport::ChildProcess::listening());
    ASSERT_TRUE(relay.started);
    NetSession host("host");
    NetSession guest("guest", guestClock);
    ASSERT_TRUE(connectPair(host, guest, hostPort, relayPort));
    const ClockSync::Estimate estimate = *guest.clockSync().best();
    EXPECT_GE(estimate.roundTripUs, 70000);
    EXPECT_NEAR(static_cast<double>(estimate.offsetUs), -guestAheadUs, estimate.roundTripUs / 2.0);

    constexpr std::uint32_t count = 300;
    std::vector<std::uint32_t> notes;
    std::uint32_t sent = 0;
    ASSERT_TRUE(pollUntil([&] {
        if (sent < count && guest.send(Judgement{2, static_cast<std::uint8_t>(sent % 4), sent, 0, 0}))
            ++sent;
        pump(host, guest);
        while (auto message = host.receive())
            notes.push_back(std::get<Judgement>(*message).noteIndex);
    }, [&] { return notes.size() >= count; }, 30s));
    for (std::uint32_t i = 0; i < count; ++i)
        ASSERT_EQ(notes[i], i);
    EXPECT_EQ(host.state(), NetSession::State::Connected);
    EXPECT_EQ(guest.state(), NetSession::State::Connected);
}

TEST(NetSession, BothMachinesAgreeOnEveryPlayersStoredMissiles)
{
    StoreMachine host("host", 1);
    StoreMachine guest("guest", 2);
    ASSERT_TRUE(connectPair(host.session, guest.session, firstPort + 8, firstPort + 8));
    const auto frames = [&] { host.frame(); guest.frame(); };
    const auto settle = [&] {
        for (int frame = 0; frame < 5; ++frame)
            frames();
        return pollUntil(frames, [&] { return storesAgree(host, guest); });
    };

    // Both cross the first threshold within one network delay: each was
    // first on its own machine, and both keep that missile on both machines.
    host.points = 5000;
    guest.points = 5100;
    host.awardAndSend();
    guest.awardAndSend();
    ASSERT_TRUE(settle());
    EXPECT_EQ(host.store.awardedTo(1), 0b1);
    EXPECT_EQ(host.store.awardedTo(2), 0b1);
    EXPECT_EQ(host.store.storedBy(2), 0b1);

    // A threshold the other player was told of first is not awarded again.
    host.points = 12000;
    ASSERT_TRUE(pollUntil(frames, [&] { return guest.store.awardedTo(1) == 0b11; }));
    guest.points = 12500;
    ASSERT_TRUE(settle());
    EXPECT_EQ(guest.store.awardedTo(2), 0b1);
    EXPECT_EQ(host.store.storedBy(1), 0b11);

    // A machine never awards the other player itself, whatever their points;
    // a missile fired leaves its slot on both.
    guest.remotePoints = 30000;
    guest.awardAndSend();
    EXPECT_EQ(guest.store.awardedTo(1), 0b11);
    guest.points = 20000;
    host.store.empty(1, 0);
    ASSERT_TRUE(settle());
    EXPECT_EQ(guest.store.storedBy(1), 0b10);
    EXPECT_EQ(host.store.awardedTo(2), 0b101);
    EXPECT_EQ(host.store.storedBy(2), 0b11);
}
