#include "library/RecordBook.h"
#include "net/MessageCodec.h"
#include "net/NetSession.h"
#include "platform/SqliteDatabase.h"
#include "support/BattleRun.h"
#include "support/GameProcess.h"
#include "support/PrivateDisplay.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

// Two real games on the loopback, host and guest, each with its bot playing
// its own player of a short forged song.
namespace {

using e2e::GameProcess;
using namespace battlerun;
using namespace std::chrono_literals;

// Away from the other network tests' ports, and from a parallel run's.
std::uint16_t basePort()
{
    return static_cast<std::uint16_t>(31000 + (getpid() % 500) * 8);
}

class NetBattleRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        forgeSong(songs.path() / "Net" / "Short");
        prepareFolder(hostFolder, "Flarevox Net Host " + std::to_string(getpid()), songs.path());
        prepareFolder(guestFolder, "Flarevox Net Guest " + std::to_string(getpid()), songs.path());
        e2e::setRunEnvironment();
    }

    std::vector<std::string> hostOptions(std::uint16_t port, int rounds = 1) const
    {
        return {"--host", std::to_string(port), "--song", (songs.path() / "Net" / "Short").string(), "--autoplay",
                "--exit-at-end", "--rounds", std::to_string(rounds)};
    }
    static std::vector<std::string> guestOptions(std::uint16_t port, int rounds = 1)
    {
        return {"--join", "127.0.0.1:" + std::to_string(port), "--autoplay", "--exit-at-end", "--rounds",
                std::to_string(rounds)};
    }
    std::string hostLog() const { return testsupport::readFile(hostFolder.path() / "output.log"); }
    std::string guestLog() const { return testsupport::readFile(guestFolder.path() / "output.log"); }

    // Both games play every round to the end: the same results on both,
    // and each bot's presses nearly all "Godlike".
    void expectSameResults(GameProcess& host, GameProcess& guest, int rounds = 1)
    {
        ASSERT_TRUE(host.waitForExit(60s * rounds)) << "the host did not end";
        ASSERT_TRUE(guest.waitForExit(10s)) << "the guest did not end";
        EXPECT_EQ(host.exitCode, 0) << host.errors();
        EXPECT_EQ(guest.exitCode, 0) << guest.errors();
        expectSameRounds(hostLog(), guestLog(), rounds);
    }

    testsupport::ScratchDir songs;
    testsupport::ScratchDir hostFolder;
    testsupport::ScratchDir guestFolder;
};

} // namespace

// Two rounds, as at one screen: after the results the host's slot key
// offers the next song of the panel, another chart, and both play it too.
// Both games save each round's replay; the last round's, played again
// from its file on each machine (on the simulated clock), ends with the
// battle's results: this machine's player judged again, the other as its
// machine told it.
TEST_F(NetBattleRun, BothGamesShowTheSameResultsOnTheLoopbackRoundAfterRound)
{
    forgeSong(songs.path() / "Net" / "Short Two", "Netplay Short Two", true);
    const std::uint16_t port = basePort();
    std::vector<std::string> hosting = hostOptions(port, 2);
    std::vector<std::string> joining = guestOptions(port, 2);
    for (auto* options : {&hosting, &joining})
        options->insert(options->end(), {"--save-replay", "round.flvxr"});
    {
        GameProcess host(hostFolder.path(), hosting);
        GameProcess guest(guestFolder.path(), joining);
        expectSameResults(host, guest, 2);
    }
    const std::string battle = readResults(roundsOf(hostLog()).back()).figures;
    ASSERT_FALSE(battle.empty()) << hostLog();
    e2e::setRunEnvironment({{"FLAREVOX_SIMULATED_FPS", "50"}});
    GameProcess hostReplay(hostFolder.path(), {"--replay", "round.flvxr", "--exit-at-end"});
    GameProcess guestReplay(guestFolder.path(), {"--replay", "round.flvxr", "--exit-at-end"});
    for (auto* replay : {&hostReplay, &guestReplay}) {
        ASSERT_TRUE(replay->waitForExit(120s)) << "a replay did not end";
        EXPECT_EQ(replay->exitCode, 0) << replay->errors();
    }
    EXPECT_EQ(testsupport::readTotals(hostLog(), "ArrowManager: Song over\\.").figures, battle) << hostLog();
    EXPECT_EQ(testsupport::readTotals(guestLog(), "ArrowManager: Song over\\.").figures, battle) << guestLog();
}

// The guest leaves mid-song through the pause menu (Pause, Up to "Leave the
// battle", a slot key): its game says goodbye, so the host says "Opponent
// left" at once, not after seconds of silence, and plays the song to its end.
TEST_F(NetBattleRun, AGuestLeavingThroughThePauseMenuSaysGoodbye)
{
    // An X server of its own: no other test's window takes the focus.
    const testsupport::PrivateDisplay display(800, 600);
    ASSERT_TRUE(display.started()) << "Xvfb did not start";
    const std::uint16_t port = basePort() + 4;
    GameProcess host(hostFolder.path(), hostOptions(port));
    GameProcess guest(guestFolder.path(), {"--join", "127.0.0.1:" + std::to_string(port)});
    for (int wait = 0; wait < 300 && guestLog().find("NetBattle: The song starts") == std::string::npos; ++wait)
        ASSERT_FALSE(guest.waitForExit(100ms)) << "the guest ended before the song";
    std::this_thread::sleep_for(1s);
    const std::string leave = "xdotool search --sync --name '^Flarevox Net Guest " + std::to_string(getpid())
        + "$' windowfocus --sync keydown Pause sleep 0.3 keyup Pause sleep 0.3 keydown Up sleep 0.3 keyup Up sleep 0.3 "
          "keydown o sleep 0.3 keyup o";
    ASSERT_EQ(std::system(leave.c_str()), 0);
    const auto left = std::chrono::steady_clock::now();
    while (hostLog().find("NetBattle: Opponent left") == std::string::npos
           && std::chrono::steady_clock::now() - left < 8s)
        std::this_thread::sleep_for(50ms);
    EXPECT_LE(std::chrono::steady_clock::now() - left, 2500ms) << hostLog();
    EXPECT_NE(guestLog().find("Match: Back to the songs; the round left sets no record"), std::string::npos)
        << guestLog();
    ASSERT_TRUE(host.waitForExit(60s)) << "the host did not end the song\n" << hostLog();
    EXPECT_EQ(host.exitCode, 0) << host.errors();
    EXPECT_TRUE(readResults(hostLog()).found) << hostLog();
}

// The guest lacks the host's song: both say so and stay on the story screen.
TEST_F(NetBattleRun, AGuestWithoutTheSongIsToldSoOnBothSides)
{
    const testsupport::ScratchDir noSongs;
    const testsupport::ScratchDir lacking;
    prepareFolder(lacking, "Flarevox Net Lacking " + std::to_string(getpid()), noSongs.path());
    const std::uint16_t port = basePort() + 4;
    GameProcess host(hostFolder.path(), hostOptions(port));
    GameProcess guest(lacking.path(), guestOptions(port));
    const std::string missing = "NetBattle: The other player's song is not in your library";
    const auto bothSay = [&] {
        return hostLog().find(missing) != std::string::npos
            && testsupport::readFile(lacking.path() / "output.log").find(missing) != std::string::npos;
    };
    for (int wait = 0; wait < 200 && !bothSay(); ++wait)
        ASSERT_FALSE(host.waitForExit(100ms)) << "the host ended";
    EXPECT_TRUE(bothSay()) << hostLog();
    EXPECT_EQ(hostLog().find("NetBattle: The song starts"), std::string::npos);
}

namespace {

// A guest that speaks the protocol from the test: it answers the host's
// offer with the same chart and, once the song runs, says what its script
// says about its player. It answers no missile unless the script does.
struct ScriptedGuest {
    net::NetSession session{"Mallory"};
    std::vector<net::MissileLaunched> launches;

    void pump()
    {
        session.update();
        while (auto message = session.receive()) {
            if (const auto* offer = std::get_if<net::SongOffer>(&*message))
                session.send(net::SongAnswer{offer->songHash, true, offer->difficulty, 0});
            if (const auto* launched = std::get_if<net::MissileLaunched>(&*message))
                launches.push_back(*launched);
        }
    }
    bool pumpUntil(const std::function<bool()>& done, std::chrono::seconds limit)
    {
        return testsupport::pollUntil([this] { pump(); }, done, limit, 2ms);
    }
    // Joins the host, does `onceMet` when the clocks agree, and waits for the
    // round's lead-in, which the song time needs.
    bool joinRound(std::uint16_t port, const std::function<std::string()>& hostLog,
                   const std::function<void()>& onceMet = [] {})
    {
        if (!session.join("127.0.0.1", port))
            return false;
        if (!pumpUntil([&] { return hostLog().find("the clocks agree") != std::string::npos; }, 30s))
            return false;
        onceMet();
        const std::regex leadInLine("A lead-in of (\\d+) ms");
        std::smatch leadIn;
        std::string log;
        if (!pumpUntil([&] { return std::regex_search(log = hostLog(), leadIn, leadInLine); }, 30s))
            return false;
        leadInMs = std::stoi(leadIn[1]);
        return true;
    }
    // The host's song time: from the start moment, less the arrows' lead-in.
    std::int32_t songMs() const
    {
        const std::int64_t sinceStartUs = session.now() - session.songStartUs().value_or(session.now());
        return static_cast<std::int32_t>(sinceStartUs / 1000) - leadInMs;
    }
    std::int32_t leadInMs = 0;
};

// A cheat: what the scripted guest sends once the song runs, the host's
// line refusing it, and whether the host lets the guest go for it.
struct Cheat {
    const char* name;
    std::function<void(ScriptedGuest&)> send;
    const char* refusal;
    bool letGo;
};

// The forged steps run Left, Down, Up, Right: the game's lanes 0, 3, 1, 2.
net::Judgement godlike(std::uint32_t note)
{
    constexpr std::array<std::uint8_t, 4> lanes{0, 3, 1, 2};
    return {2, lanes[(note - 1) % 4], note, 0, 0};
}

void repeat(ScriptedGuest& guest, const std::function<net::Message(std::uint16_t)>& message)
{
    for (std::uint16_t time = 1; time <= 6; ++time)
        guest.session.send(message(time));
}

const std::vector<Cheat> cheats{
    {"ArrowsThatDoNotExist", [](ScriptedGuest& guest) { repeat(guest, [](std::uint16_t time) { return godlike(90 + time); }); },
     "judgements of arrows the chart does not have", true},
    {"OneArrowJudgedOverAndOver", [](ScriptedGuest& guest) { repeat(guest, [](std::uint16_t) { return godlike(1); }); },
     "judgements of arrows judged before", true},
    {"APressLongBeforeItsNote", [](ScriptedGuest& guest) { repeat(guest, [](std::uint16_t) { return godlike(notesInSong); }); },
     "presses outside the song", true},
    {"HoldEndsTheChartDoesNotHave",
     [](ScriptedGuest& guest) { repeat(guest, [](std::uint16_t) { return net::Judgement{2, 0, 0, 5, 0}; }); },
     "more hold ends or mines than the chart has", true},
    {"PointsNoJudgementGave",
     [](ScriptedGuest& guest) { repeat(guest, [](std::uint16_t time) { return net::PointsState{net::maxPoints - time, 0, 0}; }); },
     "points the judgements do not add up to", true},
    {"MissilesFromEmptySlots",
     [](ScriptedGuest& guest) {
         repeat(guest, [&guest](std::uint16_t time) {
             return net::MissileLaunched{time, 0, static_cast<std::uint8_t>(time % 4), guest.songMs()};
         });
     },
     "missiles launched that were never earned", true},
    {"EveryThresholdAndSlotAtNoPoints",
     [](ScriptedGuest& guest) {
         repeat(guest, [](std::uint16_t time) { return net::PointsState{0, net::maxThresholdBits, static_cast<std::uint8_t>(time % 16)}; });
     },
     "thresholds or stored missiles never earned", true},
    {"TotalsOfAFlawlessRun",
     [](ScriptedGuest& guest) {
         net::SongEnd end;
         end.points = static_cast<std::int32_t>(notesInSong * 800);
         end.words[0] = notesInSong;
         guest.session.send(end);
     },
     "song-end totals unlike the judgements", false},
    {"EveryMissileOfTheHostSpent",
     [](ScriptedGuest& guest) {
         guest.session.send(net::SongEnd{});
         guest.pumpUntil([&guest] { return !guest.launches.empty(); }, 30s);
         for (const net::MissileLaunched& launched : guest.launches)
             guest.session.send(net::MissileOutcome{launched.missile, net::MissileFate::Spent, guest.songMs(), guest.songMs()});
     },
     "missiles said to be spent in lanes they never blocked", false},
};

// Under the slow sanitizer build, one cheat: the check's path is the same for all.
std::vector<Cheat> cheatsToRun()
{
    std::vector<Cheat> chosen = cheats;
#ifdef FLAREVOX_SANITIZER_SUBSET
    std::erase_if(chosen, [](const Cheat& cheat) { return std::string_view(cheat.name) != "ArrowsThatDoNotExist"; });
#endif
    return chosen;
}

void PrintTo(const Cheat& cheat, std::ostream* out)
{
    *out << cheat.name;
}

class NetBattleRunCheat : public NetBattleRun, public ::testing::WithParamInterface<Cheat> {};

} // namespace

// Each cheat is refused with a line naming it; a guest that keeps at it is
// let go ("Opponent left"). Either way the round is the honest host's: the
// guest's points are those the chart allows its claims, here none.
TEST_P(NetBattleRunCheat, IsRefusedAndTheRoundGoesToTheHonestPlayer)
{
    const Cheat& cheat = GetParam();
    // Faster, so that the arrows' lead-in is short: the 16 notes in 2 s.
    forgeSong(songs.path() / "Net" / "Short", "Netplay Short", false, "120.000");
    const std::uint16_t port = basePort() + 7;
    GameProcess host(hostFolder.path(), hostOptions(port));
    ScriptedGuest guest;
    ASSERT_TRUE(guest.joinRound(port, [this] { return hostLog(); })) << hostLog();
    ASSERT_TRUE(guest.pumpUntil([&] { return guest.songMs() >= 0; }, 30s)) << hostLog();
    cheat.send(guest);
    guest.pumpUntil([&] { return host.waitForExit(1ms); }, 60s);
    ASSERT_TRUE(host.waitForExit(1s)) << "the host did not end\n" << hostLog();
    EXPECT_EQ(host.exitCode, 0) << host.errors();
    const std::string log = hostLog();
    EXPECT_NE(log.find(std::string("Refused a claim of the other machine (") + cheat.refusal + ")"), std::string::npos) << log;
    EXPECT_NE(log.find(std::string("claims of the other machine: ") + cheat.refusal), std::string::npos) << log;
    EXPECT_EQ(log.find("NetBattle: Opponent left") != std::string::npos, cheat.letGo) << log;
    const testsupport::RoundTotals results = readResults(log);
    ASSERT_TRUE(results.found) << log;
    EXPECT_EQ(results.players[1].points, 0u) << results.line;
    EXPECT_NE(results.line.find("winner: Kai"), std::string::npos) << results.line;
}

INSTANTIATE_TEST_SUITE_P(Cheats, NetBattleRunCheat, ::testing::ValuesIn(cheatsToRun()),
                         [](const ::testing::TestParamInfo<Cheat>& info) { return std::string(info.param.name); });

// An honest scripted guest, named Mallory, judges every note "Godlike" while
// the host's player, at the keyboard, starts the song and presses one arrow.
// The host names the winner as the guest named itself, not by its own
// second player's name, and keeps a record for its own player alone: none
// of Mallory's round.
TEST_F(NetBattleRun, TheWinnerIsNamedByItsOwnMachineAndOnlyTheLocalPlayerIsRecorded)
{
#ifdef FLAREVOX_SANITIZER_SUBSET
    GTEST_SKIP() << "the scripted guest's path is the cheats', which the sanitizer build runs";
#endif
    const testsupport::PrivateDisplay display(800, 600);
    ASSERT_TRUE(display.started()) << "Xvfb did not start";
    forgeSong(songs.path() / "Net" / "Short", "Netplay Short", false, "120.000");
    const std::uint16_t port = basePort() + 7;
    const std::string title = "Flarevox Net Host " + std::to_string(getpid());
    GameProcess host(hostFolder.path(), {"--host", std::to_string(port), "--song", (songs.path() / "Net" / "Short").string()});
    ScriptedGuest guest;
    const auto press = [&title](const char* key, const char* seconds) {
        const std::string keys = "xdotool search --sync --name '^" + title + "$' windowfocus --sync keydown " + key
            + " sleep " + seconds + " keyup " + key;
        EXPECT_EQ(std::system(keys.c_str()), 0);
    };
    ASSERT_TRUE(guest.joinRound(port, [this] { return hostLog(); }, [&] { press("q", "0.3"); })) << hostLog();
    // Kai's Left key, held a little (a held key takes the lane's next arrow in
    // reach), lands on a Left arrow (every 500 ms from 0.5 s) however late the
    // X server delivers it, and gives him a round to record.
    ASSERT_TRUE(guest.pumpUntil([&] { return guest.songMs() >= 980; }, 30s)) << hostLog();
    press("a", "0.3");
    // The 16 notes lie between 0.5 and 2.4 s: each is within a second of 1.5 s.
    ASSERT_TRUE(guest.pumpUntil([&] { return guest.songMs() >= 1500; }, 30s)) << hostLog();
    constexpr std::int32_t godlikePoints = 800;
    net::SongEnd end;
    for (std::uint32_t note = 1; note <= notesInSong; ++note) {
        net::Judgement judged = godlike(note);
        judged.pointsAfter = static_cast<std::int32_t>(note) * godlikePoints;
        guest.session.send(judged);
    }
    end.points = static_cast<std::int32_t>(notesInSong) * godlikePoints;
    end.words[0] = notesInSong;
    guest.session.send(end);
    ASSERT_TRUE(guest.pumpUntil([&] { return readResults(hostLog()).found; }, 60s)) << hostLog();
    ASSERT_TRUE(e2e::pressEscapeUntilExit(host, title)) << "the host did not end\n" << hostLog();
    EXPECT_EQ(host.exitCode, 0) << host.errors();
    const std::string log = hostLog();
    EXPECT_EQ(log.find("Refused"), std::string::npos) << log;
    const testsupport::RoundTotals results = readResults(log);
    ASSERT_TRUE(results.found) << log;
    EXPECT_LE(results.players[0].judged, 2u) << results.line;
    EXPECT_EQ(results.players[1].godlike, notesInSong) << results.line;
    EXPECT_NE(results.line.find("winner: Mallory"), std::string::npos) << results.line;

    platform::SqliteDatabase kept;
    ASSERT_EQ(kept.open((hostFolder.path() / library::RecordBook::fileName).string(), 100), platform::SqliteStatus::Ok);
    std::vector<platform::SqliteDatabase::Row> rows;
    ASSERT_EQ(kept.query("SELECT player1, player2, points2 FROM replays", {}, rows), platform::SqliteStatus::Ok);
    ASSERT_EQ(rows.size(), 1u) << "the round's replay was not kept\n" << log;
    EXPECT_EQ(std::get<std::string>(rows[0].at(0)), "Kai");
    EXPECT_EQ(std::get<std::string>(rows[0].at(1)), "Mallory");
    EXPECT_EQ(std::get<std::int64_t>(rows[0].at(2)), 12800);
    // Kai's round is recorded; Mallory's is hers to keep on her own machine.
    std::vector<platform::SqliteDatabase::Row> records;
    ASSERT_EQ(kept.query("SELECT player, points FROM records", {}, records), platform::SqliteStatus::Ok);
    ASSERT_EQ(records.size(), 1u) << "a record for each player";
    EXPECT_EQ(std::get<std::string>(records[0].at(0)), "Kai");
    EXPECT_EQ(std::get<std::int64_t>(records[0].at(1)), results.players[0].points);
}
