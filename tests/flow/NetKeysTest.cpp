#include "MappingStage.h"

#include "flow/Match.h"
#include "flow/NetBattle.h"
#include "net/NetMessage.h"
#include "net/NetProtocol.h"
#include "net/NetSession.h"
#include "platform/EnetHost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <unistd.h>

using flowtest::MappingStage;
using namespace std::chrono_literals;

namespace {

constexpr const char* loopback = "127.0.0.1";
constexpr std::uint8_t keyReturn = 0x0D;
constexpr std::uint8_t keyDecimal = 0x6E;
constexpr std::uint8_t keySemicolon = 0xBA;
constexpr std::uint8_t keyPeriod = 0xBE;

// Away from the other network tests' ports, and from a parallel run's.
std::uint16_t joinPort()
{
    return static_cast<std::uint16_t>(35000 + (getpid() % 500) * 2);
}

const Screen* screenOf(const Screen& screen)
{
    return &screen;
}

// Escape goes back to the song panel and ends the battle.
void expectEscapeEndsTheBattle(MappingStage& stage)
{
    stage.tap(MappingStage::keyEscape);
    EXPECT_EQ(stage.match().currentScreen(), screenOf(stage.match().getStory()));
    EXPECT_EQ(stage.match().getNetBattle(), nullptr);
}

// Frames of the stage (and whatever else polls) about every millisecond
// until `done` holds or the time is up.
bool framesUntil(MappingStage& stage, const std::function<void()>& poll, const std::function<bool()>& done,
    std::chrono::milliseconds limit)
{
    return testsupport::pollUntil([&] { stage.frame(); poll(); }, done, limit);
}

bool connects(MappingStage& stage, std::uint16_t port, std::chrono::milliseconds limit)
{
    platform::EnetHost guest;
    std::string error;
    if (!guest.connect(loopback, port, net::maxPacketBytes, error))
        return false;
    platform::EnetHost::Event event;
    return framesUntil(stage, [&] { while (guest.poll(event)) {} }, [&] { return guest.hasPeer(); }, limit);
}

void type(MappingStage& stage, const std::vector<std::uint8_t>& keys)
{
    for (const std::uint8_t key : keys)
        stage.tap(key);
}

} // namespace

TEST(NetKeys, F4HostsOnTheDefaultPortUntilEscapeClosesIt)
{
    MappingStage stage;
    stage.tap(MappingStage::keyF4);
    ASSERT_EQ(stage.match().currentScreen(), screenOf(stage.match().getLobby()));
    const NetBattle* battle = stage.match().getNetBattle();
    ASSERT_TRUE(battle && battle->isHost());
    if (!battle->isOpen())
        GTEST_SKIP() << "port " << net::defaultPort << " is taken on this machine";
    const std::vector<std::string> lines = battle->lobbyLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Hosting a battle on UDP port 7493.");
    EXPECT_TRUE(connects(stage, net::defaultPort, 5s));

    expectEscapeEndsTheBattle(stage);
    EXPECT_FALSE(connects(stage, net::defaultPort, 1s)) << "the port is still open";
}

TEST(NetKeys, F12TypesAnAddressWithBackspaceAndEnterJoinsIt)
{
    const std::uint16_t port = joinPort();
    net::NetSession host("Host");
    ASSERT_TRUE(host.host(port, loopback));
    MappingStage stage;
    stage.tap(MappingStage::keyF12);
    const AddressEntryScreen& entry = stage.match().getAddressEntry();
    ASSERT_EQ(stage.match().currentScreen(), screenOf(entry));
    type(stage, {'1', '2', '7', keyPeriod, '0', keyDecimal, '0', keyPeriod, '1', 'Q', MappingStage::keyBackspace, keySemicolon});
    for (const char digit : std::to_string(port))
        stage.tap(static_cast<std::uint8_t>(digit));
    ASSERT_EQ(entry.getText(), "127.0.0.1:" + std::to_string(port));

    stage.tap(keyReturn);
    ASSERT_EQ(stage.match().currentScreen(), screenOf(stage.match().getLobby()));
    const NetBattle* battle = stage.match().getNetBattle();
    ASSERT_TRUE(battle && !battle->isHost() && battle->isOpen());
    EXPECT_TRUE(framesUntil(stage, [&] { host.update(); }, [&] { return host.peerName() == "Mia"; }, 5s));

    expectEscapeEndsTheBattle(stage);
}

// The guest plays the game's own song when the host offers it, and starts it
// on the first frame at or after the moment the host names.
TEST(NetKeys, AJoinedGameStartsTheOfferedSongAtTheNamedMoment)
{
    const std::uint16_t port = joinPort() + 1;
    net::NetSession host("Host");
    ASSERT_TRUE(host.host(port, loopback));
    MappingStage stage;
    stage.match().joinBattle(NetPlan(false, loopback, port));
    const auto hostPolls = [&] { host.update(); };
    ASSERT_TRUE(framesUntil(stage, hostPolls, [&] { return host.clockSynced(); }, 10s));

    ASSERT_TRUE(host.send(net::SongOffer{}));
    bool hasSong = false;
    ASSERT_TRUE(framesUntil(stage, [&] {
        host.update();
        while (const std::optional<net::Message> message = host.receive())
            if (const auto* answer = std::get_if<net::SongAnswer>(&*message))
                hasSong = answer->hasSong;
    }, [&] { return hasSong; }, 5s));
    const std::optional<std::int64_t> startUs = host.startSong();
    ASSERT_TRUE(startUs);
    const auto playing = [&] { return stage.match().currentScreen() == screenOf(stage.match().getPlay()); };
    ASSERT_TRUE(framesUntil(stage, hostPolls, playing, 5s));
    EXPECT_GE(net::NetSession::steadyMicroseconds(), *startUs);
}

// With a lobby server set, hosting asks it for a room; nothing is linked yet.
TEST(NetKeys, HostingThroughAServerAsksItForARoom)
{
    arrowtest::ArrowStage stage{{MappingStage::notes, "128.000", MappingStage::gapMs, MappingStage::songMs, {}, {},
                                 "[Network]\nServer = 127.0.0.1:47985\n"}};
    stage.match().hostBattle();
    const NetBattle* battle = stage.match().getNetBattle();
    ASSERT_TRUE(battle && battle->isOpen());
    EXPECT_EQ(battle->lobbyLines(),
        (std::vector<std::string>{"Asking the server 127.0.0.1:47985 for a room ...", "Escape: back to the story"}));
}

TEST(NetKeys, TheEntryRefusesWhatIsNoAddressAndEscapeLeavesIt)
{
    MappingStage stage;
    stage.tap(MappingStage::keyF12);
    const AddressEntryScreen& entry = stage.match().getAddressEntry();
    type(stage, {keyReturn});
    EXPECT_EQ(stage.match().currentScreen(), screenOf(entry));
    EXPECT_EQ(entry.getProblem(), "Type the other player's address or room code first");
    type(stage, {'H', keySemicolon, '0', keyReturn});
    EXPECT_EQ(stage.match().currentScreen(), screenOf(entry));
    EXPECT_EQ(entry.getProblem(), "'0' is not a port (1 to 65535)");
    for (std::size_t typed = 0; typed < AddressEntryScreen::maxLength; ++typed)
        stage.tap('A');
    EXPECT_EQ(entry.getText().size(), AddressEntryScreen::maxLength);
    expectEscapeEndsTheBattle(stage);
    // Typed in again from the start.
    stage.tap(MappingStage::keyF12);
    EXPECT_TRUE(entry.getText().empty());
}

TEST(NetKeys, AddressesParseIntoHostAndPort)
{
    struct Case {
        const char* typed;
        const char* host; // null: refused
        std::uint16_t port;
    };
    const std::vector<Case> cases{
        {"example.org", "example.org", net::defaultPort},
        {"10.0.0.2:1", "10.0.0.2", 1},
        {"my-box:65535", "my-box", 65535},
        {"", nullptr, 0},
        {":7000", nullptr, 0},
        {"host:", nullptr, 0},
        {"host:0", nullptr, 0},
        {"host:65536", nullptr, 0},
        {"host:123456", nullptr, 0},
        {"host:7:8", nullptr, 0},
        {"host:-1", nullptr, 0},
    };
    for (const Case& c : cases) {
        std::string reason;
        const std::optional<NetPlan> plan = AddressEntryScreen::parse(c.typed, reason);
        ASSERT_EQ(plan.has_value(), c.host != nullptr) << c.typed;
        if (!plan) {
            EXPECT_FALSE(reason.empty()) << c.typed;
            continue;
        }
        EXPECT_FALSE(plan->hosting);
        EXPECT_EQ(plan->hostName, c.host);
        EXPECT_EQ(plan->port, c.port);
    }
}

TEST(NetKeys, SixCodeLettersMayBeARoomAndTheServerSettingIsChecked)
{
    std::string reason;
    const std::optional<NetPlan> code = AddressEntryScreen::parse("kmnpqr", reason);
    ASSERT_TRUE(code && code->roomCode);
    EXPECT_EQ(net::codeText(*code->roomCode), "KMNPQR");
    EXPECT_EQ(code->hostName, "kmnpqr") << "a host of that name without a server";
    const std::optional<NetPlan> host = AddressEntryScreen::parse("laptop", reason);
    ASSERT_TRUE(host);
    EXPECT_FALSE(host->roomCode) << "L and O are in no code";

    NetPlan plan = *code;
    EXPECT_FALSE(plan.viaServer());
    EXPECT_TRUE(plan.setServer("lobby.example:9000", reason));
    EXPECT_TRUE(plan.viaServer());
    EXPECT_EQ(plan.server, "lobby.example");
    EXPECT_EQ(plan.serverPort, 9000);
    EXPECT_TRUE(plan.setServer("lobby.example", reason));
    EXPECT_EQ(plan.serverPort, net::defaultServerPort);
    EXPECT_FALSE(plan.setServer("lobby.example:0", reason));
    EXPECT_FALSE(plan.setServer("lobby.example:x", reason));
    EXPECT_FALSE(plan.setServer(":7494", reason));
    EXPECT_FALSE(plan.viaServer()) << "a bad setting leaves no server";
}
