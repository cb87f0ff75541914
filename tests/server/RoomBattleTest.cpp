#include "net/NetSession.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace net;
using namespace std::chrono_literals;

namespace {

constexpr const char* loopback = "127.0.0.1";
// Ports of their own, one server's per test (they run side by side), so
// that other runs on the machine do not collide.
constexpr std::uint16_t directServerPort = 47981;
constexpr std::uint16_t relayedServerPort = 47982;
constexpr std::uint16_t relayPort = 47983;
constexpr std::uint16_t refusingServerPort = 47984;

using Child = testsupport::ChildProcess;

Child startServer(std::uint16_t port)
{
    return Child({FLAREVOX_SERVER, "--bind", loopback, "--port", std::to_string(port), "--seconds", "60"}, Child::listening());
}

bool pumpUntil(NetSession& a, NetSession& b, const std::function<bool()>& done, std::chrono::milliseconds limit = 6s)
{
    return testsupport::pollUntil([&] { a.update(); b.update(); }, done, limit);
}

bool linked(const NetSession& session)
{
    return session.state() == NetSession::State::Connected;
}

// The host opens a room on the server at `hostServerPort` (the server's own
// port, or a relay in front of it); the guest joins by the code.
void meetByCode(NetSession& host, NetSession& guest, std::uint16_t serverPort, std::uint16_t hostServerPort)
{
    ASSERT_TRUE(host.hostRoom(loopback, hostServerPort));
    ASSERT_TRUE(pumpUntil(host, guest, [&] { return host.roomCode().has_value(); })) << host.problem();
    ASSERT_TRUE(guest.joinRoom(loopback, serverPort, *host.roomCode()));
    ASSERT_TRUE(pumpUntil(host, guest, [&] { return linked(host) && linked(guest); }))
        << host.problem() << " / " << guest.problem();
    EXPECT_EQ(host.peerName(), "guest");
    EXPECT_EQ(guest.peerName(), "host");
}

void exchangeReady(NetSession& host, NetSession& guest)
{
    ASSERT_TRUE(host.send(Ready{}));
    ASSERT_TRUE(guest.send(Ready{}));
    bool hostHeard = false;
    bool guestHeard = false;
    EXPECT_TRUE(pumpUntil(host, guest, [&] {
        hostHeard |= host.receive().has_value();
        guestHeard |= guest.receive().has_value();
        return hostHeard && guestHeard;
    }));
}

} // namespace

TEST(RoomBattleTest, GamesMeetByCodeDirectlyAndOutliveTheServer)
{
    Child server = startServer(directServerPort);
    ASSERT_TRUE(server.started);
    NetSession host("host");
    NetSession guest("guest");
    meetByCode(host, guest, directServerPort, directServerPort);
    EXPECT_STREQ(host.pathText(), "direct");
    EXPECT_STREQ(guest.pathText(), "direct");
    exchangeReady(host, guest);
    // The battle goes on directly without the server.
    server.stop();
    EXPECT_FALSE(pumpUntil(host, guest, [&] { return !linked(host) || !linked(guest); }, 1500ms));
    exchangeReady(host, guest);
}

TEST(RoomBattleTest, GamesThatCannotReachEachOtherAreRelayedUntilTheServerGoes)
{
    Child server = startServer(relayedServerPort);
    // The host reaches the server through the relay tool, whose socket takes
    // datagrams from the server only: the address the guest is told takes
    // nothing from the guest, as behind a symmetric router.
    Child relay(
        {FLAREVOX_RELAY, "--listen", std::to_string(relayPort), "--to", std::string(loopback) + ":" + std::to_string(relayedServerPort),
            "--seconds", "60"});
    ASSERT_TRUE(server.started && relay.started);
    NetSession host("host");
    NetSession guest("guest");
    const auto start = std::chrono::steady_clock::now();
    meetByCode(host, guest, relayedServerPort, relayPort);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 2s) << "the direct attempt has its two seconds";
    EXPECT_STREQ(host.pathText(), "relayed");
    EXPECT_STREQ(guest.pathText(), "relayed");
    exchangeReady(host, guest);
    EXPECT_TRUE(pumpUntil(host, guest, [&] { return host.roundTripUs().has_value(); }));

    // Without the server a relayed battle ends for both.
    server.stop();
    EXPECT_TRUE(pumpUntil(host, guest, [&] {
        return host.state() == NetSession::State::PeerLost && guest.state() == NetSession::State::PeerLost;
    }, 15s));
    EXPECT_EQ(guest.problem(), opponentLeftText);
}

TEST(RoomBattleTest, AWrongCodeAndAMissingServerAreSaidPlainly)
{
    Child server = startServer(refusingServerPort);
    NetSession host("host");
    NetSession guest("guest");
    ASSERT_TRUE(guest.joinRoom(loopback, refusingServerPort, RoomCode{'Z', 'Z', 'Z', 'Z', 'Z', 'Z'}));
    ASSERT_TRUE(pumpUntil(host, guest, [&] { return guest.state() == NetSession::State::Failed; }));
    EXPECT_EQ(guest.problem(), refusalText(RefusalReason::NoSuchRoom));
    server.stop();
    ASSERT_TRUE(host.hostRoom(loopback, refusingServerPort));
    ASSERT_TRUE(pumpUntil(host, guest, [&] { return host.state() == NetSession::State::Failed; }, 7s));
    EXPECT_EQ(host.problem(), "Could not reach the server 127.0.0.1:" + std::to_string(refusingServerPort));
}

// The relay tool forwards to the loopback, or to the one private address a
// test names for its own network namespaces; never to anything else.
TEST(RelayToolOptions, OnlyTheLoopbackOrANamedPrivateAddressIsATarget)
{
    const auto relay = [](const std::string& options) {
        return testsupport::runCommand(std::string(FLAREVOX_RELAY) + " --listen 47985 --seconds 0.1 " + options);
    };
    EXPECT_EQ(relay("--to 127.0.0.1:7493").status, 0);
    EXPECT_EQ(relay("--to 10.200.0.1:7493 --allow 10.200.0.1").status, 0);
    EXPECT_EQ(relay("--allow 192.168.7.9 --to 192.168.7.9:7493").status, 0) << "in either order";
    for (const char* refused : {"--to 10.200.0.1:7493", "--to 10.200.0.2:7493 --allow 10.200.0.1",
                                "--to 8.8.8.8:53 --allow 8.8.8.8", "--to 0.0.0.0:7493", "--to 172.32.0.1:1 --allow 172.32.0.1",
                                "--to 10.200.0.1:7493 --allow 10.200.0", "--to 10.0.0.1"}) {
        const testsupport::CommandRun run = relay(refused);
        EXPECT_EQ(run.status, 2) << refused << "\n" << run.out;
        EXPECT_NE(run.out.find("flarevox-relay: "), std::string::npos) << refused;
    }
}
