#include "RouterLab.h"

#include "support/BattleRun.h"
#include "support/ChildProcess.h"
#include "support/GameProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>

// Two real games in two homes, each behind a router that translates
// addresses, meet by room code through the lobby server in a public
// namespace and battle: directly where the routers keep a home's port for
// every destination, through the server where they do not.
namespace {

using e2e::GameProcess;
using namespace battlerun;
using namespace std::chrono_literals;

constexpr const char* skipLine = "needs root and nftables to build network namespaces; skipped";
constexpr int serverPort = 7800;
constexpr int hostPort = 7801;
constexpr double maxStartDifferenceMs = 2.0;

struct Link {
    std::string host, guest;
};

class NatBattle : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string missing = RouterLab::missingRights(); !missing.empty()) {
            std::printf("%s (%s)\n", skipLine, missing.c_str());
            GTEST_SKIP();
        }
        // Fast, so that the arrows' lead-in is short: the 16 notes in 2 s,
        // the music over a second later.
        forgeSong(songs.path() / "Net" / "Short", "Netplay Short", false, "120.000", 4);
        prepareFolder(hostFolder, "Flarevox NAT Host " + std::to_string(getpid()), songs.path());
        prepareFolder(guestFolder, "Flarevox NAT Guest " + std::to_string(getpid()), songs.path());
        e2e::setRunEnvironment();
    }

    static void useServer(const testsupport::ScratchDir& folder, const std::string& server)
    {
        folder.write("Conf/global.cfg",
                     testsupport::readFile(folder.path() / "Conf/global.cfg") + "[Network]\nServer = " + server + "\n");
    }
    std::string hostLog() const { return testsupport::readFile(hostFolder.path() / "output.log"); }
    std::string guestLog() const { return testsupport::readFile(guestFolder.path() / "output.log"); }

    // The host opens a room through `hostServer`, the guest joins it by its
    // code through the server itself; both play the song to the end. Gives
    // the path each log names.
    Link battle(const RouterLab& lab, const std::string& hostServer)
    {
        const std::string server = std::string(RouterLab::serverAddress) + ":" + std::to_string(serverPort);
        useServer(hostFolder, hostServer);
        useServer(guestFolder, server);
        std::vector<std::string> serverWords = lab.inPublic();
        serverWords.insert(serverWords.end(), {FLAREVOX_SERVER, "--bind", RouterLab::serverAddress, "--port",
                                               std::to_string(serverPort), "--seconds", "120"});
        const testsupport::ChildProcess lobby(serverWords, testsupport::ChildProcess::listening());
        EXPECT_TRUE(lobby.started);
        GameProcess host(hostFolder.path(),
                         {"--host", std::to_string(hostPort), "--song", (songs.path() / "Net" / "Short").string(),
                          "--autoplay", "--exit-at-end", "--rounds", "1"},
                         lab.inHome(1));
        std::smatch code;
        std::string log;
        for (int wait = 0; wait < 100 && !std::regex_search(log = hostLog(), code, std::regex("room ([A-Z]{6}) open on"));
             ++wait)
            std::this_thread::sleep_for(100ms);
        if (code.empty()) {
            ADD_FAILURE() << "no room code\n" << log << host.errors();
            return {};
        }
        GameProcess guest(guestFolder.path(), {"--join", code[1].str(), "--autoplay", "--exit-at-end", "--rounds", "1"},
                          lab.inHome(2));
        EXPECT_TRUE(host.waitForExit(60s)) << "the host did not end\n" << hostLog();
        EXPECT_TRUE(guest.waitForExit(10s)) << "the guest did not end\n" << guestLog();
        EXPECT_EQ(host.exitCode, 0) << host.errors();
        EXPECT_EQ(guest.exitCode, 0) << guest.errors();
        // The bots' own timing is the loopback battles' to check: at this
        // tempo "Godlike" is 25 ms wide, and a press slipping on a loaded
        // machine says nothing of the routers.
        expectSameRounds(hostLog(), guestLog(), 1, false);
        expectTogetherStart();
        return {pathOf(hostLog()), pathOf(guestLog())};
    }

    static std::string pathOf(const std::string& log)
    {
        std::smatch path;
        return std::regex_search(log, path, std::regex("NetBattle: Linked (direct|relayed)")) ? path[1].str() : "";
    }

    // The machines share one steady clock: the moments each named as the
    // song's start lie within 2 ms of each other on it.
    void expectTogetherStart() const
    {
        const std::regex moment(R"(The named moment is (\d+\.\d+) ms on this machine's steady clock)");
        std::smatch onHost, onGuest;
        const std::string host = hostLog();
        const std::string guest = guestLog();
        ASSERT_TRUE(std::regex_search(host, onHost, moment)) << host;
        ASSERT_TRUE(std::regex_search(guest, onGuest, moment)) << guest;
        const double apartMs = std::stod(onGuest[1]) - std::stod(onHost[1]);
        std::smatch roundTrip;
        std::regex_search(host, roundTrip, std::regex(R"(Linked \w+, round trip ([\d.]+) ms)"));
        std::printf("the guest's song starts %+.3f ms after the host's (round trip %s ms)\n", apartMs,
                    roundTrip.empty() ? "?" : roundTrip[1].str().c_str());
        EXPECT_LE(std::fabs(apartMs), maxStartDifferenceMs) << host;
    }

    testsupport::ScratchDir songs;
    testsupport::ScratchDir hostFolder;
    testsupport::ScratchDir guestFolder;
};

} // namespace

TEST_F(NatBattle, EndpointIndependentRoutersLetTheGamesPlayDirectly)
{
    const RouterLab lab("direct", RouterLab::Mapping::EndpointIndependent);
    ASSERT_TRUE(lab.built()) << lab.problem();
    const Link link = battle(lab, std::string(RouterLab::serverAddress) + ":" + std::to_string(serverPort));
    EXPECT_EQ(link.host, "direct") << hostLog();
    EXPECT_EQ(link.guest, "direct") << guestLog();
}

TEST_F(NatBattle, SymmetricRoutersHaveTheServerRelayTheBattle)
{
    const RouterLab lab("relayed", RouterLab::Mapping::Symmetric);
    ASSERT_TRUE(lab.built()) << lab.problem();
    const Link link = battle(lab, std::string(RouterLab::serverAddress) + ":" + std::to_string(serverPort));
    EXPECT_EQ(link.host, "relayed") << hostLog();
    EXPECT_EQ(link.guest, "relayed") << guestLog();
}
