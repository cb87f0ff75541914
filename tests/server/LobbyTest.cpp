#include "Lobby.h"
#include "LobbyServer.h"

#include "net/LobbyCodec.h"
#include "platform/EnetEndpoint.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace net;

namespace {

constexpr std::uint32_t homeA = 0x0A000001; // 10.0.0.1
constexpr std::uint32_t homeB = 0xC0A80002; // 192.168.0.2
constexpr std::int64_t second = 1000000;

std::vector<std::uint8_t> bytesOf(const LobbyMessage& message)
{
    return LobbyCodec::encode(message);
}

// A lobby whose answers are read per game.
struct LobbyProbe {
    explicit LobbyProbe(LobbyLimits limits = {}) : lobby(limits, [this](const std::string& line) { lines.push_back(line); }, 7) {}

    std::vector<LobbyMessage> answersFor(Lobby::ClientId client)
    {
        for (auto& message : lobby.takeOutgoing())
            pending.push_back(std::move(message));
        std::vector<LobbyMessage> answers;
        std::erase_if(pending, [&](const Lobby::Outgoing& message) {
            if (message.to != client)
                return false;
            const LobbyDecodeResult decoded = LobbyCodec::decode(message.bytes);
            EXPECT_TRUE(decoded.ok) << decoded.reason;
            answers.push_back(decoded.message);
            return true;
        });
        return answers;
    }
    template <typename T>
    T only(Lobby::ClientId client)
    {
        const auto answers = answersFor(client);
        EXPECT_EQ(answers.size(), 1u);
        const T* message = answers.empty() ? nullptr : std::get_if<T>(&answers.front());
        EXPECT_NE(message, nullptr) << "answer type " << (answers.empty() ? -1 : int(answers.front().index()));
        return message ? *message : T{};
    }
    RoomCode open(Lobby::ClientId host, std::uint32_t ip = homeA)
    {
        lobby.admit(host, ip, 40000 + static_cast<std::uint16_t>(host), 0);
        lobby.receive(host, bytesOf(OpenRoom{}), 0);
        return only<RoomOpened>(host).code;
    }
    void join(Lobby::ClientId guest, const RoomCode& code, std::int64_t nowUs = 0)
    {
        lobby.receive(guest, bytesOf(JoinRoom{lobbyVersion, code}), nowUs);
    }

    std::vector<std::string> lines;
    std::vector<Lobby::Outgoing> pending;
    Lobby lobby;
};

RoomCode otherCode(RoomCode code)
{
    code[0] = code[0] == 'A' ? 'B' : 'A';
    return code;
}

} // namespace

TEST(LobbyCodecTest, MessagesRoundTripAndBadOnesAreRefused)
{
    const std::vector<LobbyMessage> messages{OpenRoom{}, JoinRoom{lobbyVersion, {'A', 'B', 'C', 'D', 'E', 'F'}},
        UseRelay{}, Relay{{1, 2, 3}}, RoomOpened{{'Z', 'Z', 'Y', 'X', 'W', 'V'}}, PeerAddress{{10, 0, 0, 1}, 7493},
        Relaying{}, PeerLeft{}, Refused{RefusalReason::TooManyGuesses, 9}};
    for (const LobbyMessage& message : messages) {
        const std::vector<std::uint8_t> bytes = LobbyCodec::encode(message);
        const LobbyDecodeResult decoded = LobbyCodec::decode(bytes);
        ASSERT_TRUE(decoded.ok) << decoded.reason;
        EXPECT_EQ(LobbyCodec::encode(decoded.message), bytes);
    }
    auto join = LobbyCodec::encode(JoinRoom{lobbyVersion, {'A', 'B', 'C', 'D', 'E', 'I'}});
    EXPECT_FALSE(LobbyCodec::decode(join).ok) << "I is a look-alike no code has";
    auto trailing = LobbyCodec::encode(UseRelay{});
    trailing.push_back(0);
    EXPECT_FALSE(LobbyCodec::decode(trailing).ok);
    EXPECT_FALSE(LobbyCodec::decode(std::vector<std::uint8_t>{2, 1, 0, 65}).ok) << "truncated";
    EXPECT_FALSE(LobbyCodec::decode(std::vector<std::uint8_t>(maxLobbyPacketBytes + 1, 4)).ok) << "oversized";
    EXPECT_FALSE(LobbyCodec::decode(std::vector<std::uint8_t>{4}).ok) << "empty relay";
    EXPECT_FALSE(LobbyCodec::decode(std::vector<std::uint8_t>{0}).ok);
    EXPECT_FALSE(LobbyCodec::decode(std::vector<std::uint8_t>{200, 1}).ok);
    // A request of a later version is read as far as its version, whatever follows.
    const LobbyDecodeResult later = LobbyCodec::decode(std::vector<std::uint8_t>{2, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(later.ok);
    EXPECT_EQ(std::get<JoinRoom>(later.message).version, 9);

    RoomCode code{};
    EXPECT_TRUE(parseRoomCode("kmnpqr", code));
    EXPECT_EQ(codeText(code), "KMNPQR");
    EXPECT_FALSE(parseRoomCode("KMNPQ0", code));
    EXPECT_FALSE(parseRoomCode("KMNPQ", code));
    EXPECT_FALSE(parseRoomCode("KMNPQRS", code));
}

TEST(LobbyTest, GuestJoinsByCodeAndBothLearnTheOthersAddress)
{
    LobbyProbe probe;
    const RoomCode code = probe.open(1);
    for (const char letter : code)
        EXPECT_NE(roomCodeLetters.find(letter), std::string_view::npos);
    ASSERT_TRUE(probe.lobby.admit(2, homeB, 51000, 0));
    probe.join(2, code);
    const PeerAddress toGuest = probe.only<PeerAddress>(2);
    EXPECT_EQ(toGuest.ip, (std::array<std::uint8_t, 4>{10, 0, 0, 1}));
    EXPECT_EQ(toGuest.port, 40001);
    const PeerAddress toHost = probe.only<PeerAddress>(1);
    EXPECT_EQ(toHost.ip, (std::array<std::uint8_t, 4>{192, 168, 0, 2}));
    EXPECT_EQ(toHost.port, 51000);

    ASSERT_TRUE(probe.lobby.admit(3, homeB, 51001, 0));
    probe.join(3, code);
    EXPECT_EQ(probe.only<Refused>(3).reason, RefusalReason::RoomFull);

    // The host leaves: the guest hears of it, and the code is gone.
    probe.lobby.leave(1);
    probe.answersFor(2);
    EXPECT_EQ(probe.lobby.roomCount(), 0u);
    probe.join(3, code);
    EXPECT_EQ(probe.only<Refused>(3).reason, RefusalReason::NoSuchRoom);
}

TEST(LobbyTest, WrongCodesLockOutTheirAddressForTheWindow)
{
    LobbyLimits limits;
    limits.wrongCodeLimit = 3;
    LobbyProbe probe(limits);
    const RoomCode code = probe.open(1);
    probe.lobby.admit(2, homeB, 51000, 0);
    for (int guess = 0; guess < 3; ++guess) {
        probe.join(2, otherCode(code), guess);
        EXPECT_EQ(probe.only<Refused>(2).reason, RefusalReason::NoSuchRoom);
    }
    probe.join(2, code, 10);
    EXPECT_EQ(probe.only<Refused>(2).reason, RefusalReason::TooManyGuesses) << "even the right code, once locked";
    EXPECT_EQ(probe.lobby.counters().lockedOut, 1u);
    // Another address is not held to it; this one is free again after the window.
    probe.lobby.admit(3, homeA + 5, 52000, 0);
    probe.join(3, code, 10);
    EXPECT_EQ(probe.only<PeerAddress>(3).port, 40001);
    probe.lobby.leave(3);
    probe.answersFor(1);
    probe.join(2, code, limits.wrongCodeWindowUs + 1);
    EXPECT_EQ(probe.only<PeerAddress>(2).port, 40001);
}

TEST(LobbyTest, RelaysOnlyWhenAskedAndWithinTheRoomsRate)
{
    LobbyLimits limits;
    limits.relayMessagesPerSecond = 10;
    limits.relayBurst = 5;
    LobbyProbe probe(limits);
    const RoomCode code = probe.open(1);
    probe.lobby.admit(2, homeB, 51000, 0);
    probe.join(2, code);
    probe.answersFor(1);
    probe.answersFor(2);

    probe.lobby.receive(1, bytesOf(Relay{{9}}), 0);
    EXPECT_TRUE(probe.answersFor(2).empty()) << "nothing is relayed before either side asks";
    EXPECT_EQ(probe.lobby.counters().dropped[static_cast<std::size_t>(Lobby::Drop::Unexpected)], 1u);

    probe.lobby.receive(2, bytesOf(UseRelay{}), 0);
    probe.only<Relaying>(1);
    probe.only<Relaying>(2);
    for (int i = 0; i < 8; ++i)
        probe.lobby.receive(i % 2 ? 1 : 2, bytesOf(Relay{{static_cast<std::uint8_t>(i)}}), 0);
    const auto toHost = probe.answersFor(1);
    ASSERT_EQ(toHost.size() + probe.answersFor(2).size(), 5u) << "the burst is shared by the room";
    EXPECT_EQ(std::get<Relay>(toHost.front()).payload, std::vector<std::uint8_t>{0});
    EXPECT_EQ(probe.lobby.counters().dropped[static_cast<std::size_t>(Lobby::Drop::RelayFlood)], 3u);
    probe.lobby.receive(1, bytesOf(Relay{{42}}), second);
    EXPECT_EQ(probe.answersFor(2).size(), 1u) << "the rate refills";
}

TEST(LobbyTest, RoomsExpireAndGamesWithoutARoomAreLetGo)
{
    LobbyLimits limits;
    limits.waitingRoomUs = 60 * second;
    limits.idleClientUs = 10 * second;
    LobbyProbe probe(limits);
    probe.open(1);
    probe.lobby.admit(2, homeB, 51000, 0);
    probe.lobby.expire(11 * second);
    EXPECT_EQ(probe.lobby.takeDisconnects(), std::vector<Lobby::ClientId>{2});
    EXPECT_EQ(probe.lobby.roomCount(), 1u);
    probe.lobby.expire(61 * second);
    EXPECT_EQ(probe.only<Refused>(1).reason, RefusalReason::RoomExpired);
    EXPECT_EQ(probe.lobby.roomCount(), 0u);
    EXPECT_EQ(probe.lobby.counters().roomsExpired, 1u);
}

TEST(LobbyTest, AddressesAndTheServerStayWithinTheirLimits)
{
    LobbyLimits limits;
    limits.maxClients = 4;
    limits.maxClientsPerAddress = 3;
    limits.maxRoomsPerAddress = 2;
    LobbyProbe probe(limits);
    for (Lobby::ClientId id = 1; id <= 3; ++id)
        EXPECT_TRUE(probe.lobby.admit(id, homeA, static_cast<std::uint16_t>(id), 0));
    EXPECT_FALSE(probe.lobby.admit(4, homeA, 4, 0));
    EXPECT_EQ(probe.only<Refused>(4).reason, RefusalReason::ServerFull);
    EXPECT_TRUE(probe.lobby.admit(5, homeB, 5, 0));
    EXPECT_FALSE(probe.lobby.admit(6, homeB + 1, 6, 0)) << "the server is full";
    probe.answersFor(6);

    for (Lobby::ClientId id = 1; id <= 3; ++id)
        probe.lobby.receive(id, bytesOf(OpenRoom{}), 0);
    probe.only<RoomOpened>(1);
    probe.only<RoomOpened>(2);
    EXPECT_EQ(probe.only<Refused>(3).reason, RefusalReason::ServerFull) << "two rooms per address";
    probe.lobby.leave(1);
    probe.lobby.receive(3, bytesOf(OpenRoom{}), 0);
    probe.only<RoomOpened>(3);
}

TEST(LobbyTest, BadPacketsAreDroppedCountedAndLogged)
{
    LobbyProbe probe;
    const RoomCode code = probe.open(1);
    probe.lobby.receive(1, std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF}, 0);
    probe.lobby.receive(1, std::vector<std::uint8_t>{2, 1}, 0);
    probe.lobby.receive(1, bytesOf(RoomOpened{code}), 0);
    probe.lobby.receive(1, bytesOf(OpenRoom{}), 0);
    const auto& dropped = probe.lobby.counters().dropped;
    EXPECT_EQ(dropped[static_cast<std::size_t>(Lobby::Drop::Malformed)], 2u);
    EXPECT_EQ(dropped[static_cast<std::size_t>(Lobby::Drop::Unexpected)], 2u);
    EXPECT_TRUE(probe.answersFor(1).empty());
    EXPECT_EQ(probe.lobby.roomCount(), 1u);
    // The second of each kind within the second is counted, not logged.
    EXPECT_EQ(std::count_if(probe.lines.begin(), probe.lines.end(),
                  [](const std::string& line) { return line.starts_with("dropped a malformed packet from 10.0.0.1:"); }),
        1);

    probe.lobby.admit(2, homeB, 51000, 0);
    probe.lobby.receive(2, bytesOf(JoinRoom{lobbyVersion + 1, code}), 0);
    const Refused refused = probe.only<Refused>(2);
    EXPECT_EQ(refused.reason, RefusalReason::VersionMismatch);
    EXPECT_EQ(refused.serverVersion, lobbyVersion);
}

TEST(LobbyServerTest, TwoGamesMeetByCodeAndRelayOverLoopback)
{
    ServerOptions options;
    options.bindAddress = "127.0.0.1";
    options.port = 0;
    std::vector<std::string> lines;
    LobbyServer server(options, [&lines](const std::string& line) { lines.push_back(line); });
    std::string error;
    ASSERT_TRUE(server.open(error)) << error;

    // An endpoint that never opened has nothing to send or hand out.
    platform::EnetEndpoint unopened;
    platform::EnetEndpoint::Event none;
    EXPECT_FALSE(unopened.poll(none, 0));
    EXPECT_FALSE(unopened.send(0, std::vector<std::uint8_t>{1}));

    struct Game {
        platform::EnetEndpoint endpoint;
        platform::EnetEndpoint::PeerId server = 0;
        std::vector<LobbyMessage> heard;
        bool connected = false;
    } host, guest;
    for (Game* game : {&host, &guest}) {
        ASSERT_TRUE(game->endpoint.open("127.0.0.1", 0, 2, maxLobbyPacketBytes, error)) << error;
        ASSERT_TRUE(game->endpoint.connect("127.0.0.1", server.port(), game->server, error)) << error;
    }
    const auto pumpUntil = [&](const std::function<bool()>& done) {
        for (int round = 0; round < 3000 && !done(); ++round) {
            server.step(0);
            for (Game* game : {&host, &guest}) {
                platform::EnetEndpoint::Event event;
                while (game->endpoint.poll(event)) {
                    game->connected |= event.kind == platform::EnetEndpoint::EventKind::Connected;
                    if (event.kind == platform::EnetEndpoint::EventKind::Received)
                        game->heard.push_back(LobbyCodec::decode(event.bytes).message);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    };
    ASSERT_TRUE(pumpUntil([&] { return host.connected && guest.connected; }));
    host.endpoint.send(host.server, LobbyCodec::encode(OpenRoom{}));
    ASSERT_TRUE(pumpUntil([&] { return !host.heard.empty(); }));
    const RoomCode code = std::get<RoomOpened>(host.heard.at(0)).code;
    guest.endpoint.send(guest.server, LobbyCodec::encode(JoinRoom{lobbyVersion, code}));
    ASSERT_TRUE(pumpUntil([&] { return host.heard.size() == 2 && !guest.heard.empty(); }));
    EXPECT_EQ(std::get<PeerAddress>(host.heard.at(1)).port, guest.endpoint.localPort());
    const PeerAddress hostAddress = std::get<PeerAddress>(guest.heard.at(0));
    EXPECT_EQ(hostAddress.port, host.endpoint.localPort());
    EXPECT_EQ(hostAddress.ip, (std::array<std::uint8_t, 4>{127, 0, 0, 1}));

    guest.endpoint.send(guest.server, LobbyCodec::encode(UseRelay{}));
    ASSERT_TRUE(pumpUntil([&] { return host.heard.size() == 3 && guest.heard.size() == 2; }));
    host.endpoint.send(host.server, LobbyCodec::encode(Relay{{1, 2, 3}}));
    ASSERT_TRUE(pumpUntil([&] { return guest.heard.size() == 3; }));
    EXPECT_EQ(std::get<Relay>(guest.heard.at(2)).payload, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(server.lobby().counters().relayed, 1u);
    EXPECT_EQ(server.relayTimes().count(), 1u);
    const std::string opened = "room " + std::string(codeText(code)) + " opened by 127.0.0.1:";
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(opened); }));
}
