#pragma once

#include "flow/NetPlan.h"
#include "flow/ResultsBoard.h"
#include "game/ArrowManager.h"
#include "net/NetSession.h"

#include <array>
#include <map>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace chart {
struct Song;
}
namespace library {
class SongSelection;
}
class Gimmick;
class Match;
class Missile;

// The match's side of a battle across two machines. The host plays player 1
// (the left field), the guest player 2; each machine judges only its own
// player's presses and sends the words and points, and shows the other
// player's arrows disappearing with the words that arrive. The host offers
// the song by its chart's hash; when the guest has it, the host names a
// moment at least a second ahead and both start the song then. At the end
// each machine sends its player's totals, and both show the same results.
class NetBattle {
public:
    NetBattle(Match& match, const NetPlan& plan, const std::string& playerName);
    ~NetBattle();
    NetBattle(const NetBattle&) = delete;
    NetBattle& operator=(const NetBattle&) = delete;

    // False when the port could not be opened or the host not looked up.
    bool isOpen() const { return open; }
    bool isHost() const { return plan.hosting; }
    // The player this machine plays: 1 for the host, 2 for the guest.
    int localPlayer() const { return plan.hosting ? 1 : 2; }
    int remotePlayer() const { return plan.hosting ? 2 : 1; }
    bool isConnected() const;
    // The peer was there and has gone: the next round is played at one screen.
    bool isOver() const { return greeted && !isConnected(); }

    // Once per frame, after the arrow manager's update.
    void update(std::uint32_t tick);
    // The host's slot key on the story screen: offers the panel's song.
    void offerSong(const library::SongSelection& selection);
    // Says goodbye and closes the port.
    void close();

    // What the lobby shows, top first.
    std::vector<std::string> lobbyLines() const;
    // A line under the current screen ("Opponent left", a refused song), or empty.
    const std::string& notice() const { return noticeText; }
    // The other player's totals as their machine counted them, once they arrived.
    const ResultsBoard::Counts* remoteCounts(int player) const;
    const net::NetSession& getSession() const { return session; }

private:
    void forgetRound();
    void handle(const net::Message& message);
    void onOffer(const net::SongOffer& offer);
    void onAnswer(const net::SongAnswer& answer);
    void onRemoteEnd(const net::SongEnd& end);
    void startWhenDue(std::uint32_t tick);
    void sendEarned(const PressJudge::Earned& earned);
    void announceLaunches();
    void reportOutcomes();
    void onRemoteLaunch(const net::MissileLaunched& launched);
    void onOutcome(const net::MissileOutcome& outcome);
    void logBlock(std::uint16_t missile, int launcher, int lane, std::int32_t untilMs) const;
    void sendPoints();
    void sendSongEnd();
    void logResults();
    void setRemotePoints(std::uint32_t points);
    bool playOffered(std::unique_ptr<chart::Song> song, const std::array<std::size_t, 2>& chartIndex);
    ResultsBoard::Counts localCounts() const;

    Match& match;
    const NetPlan plan;
    net::NetSession session;
    bool open = false;
    bool greeted = false;
    bool peerLostNoticed = false;
    std::string noticeText;

    // The host's offered song, waiting for the guest's answer; null for
    // the game's own song.
    bool offerPending = false;
    std::unique_ptr<chart::Song> offeredSong;
    std::size_t offeredChart = 0;
    std::optional<std::int64_t> startUs;
    bool songRunning = false;
    std::optional<net::PointsState> lastSentPoints;
    bool songEndSent = false;
    std::optional<ResultsBoard::Counts> remoteTotals;
    bool resultsLogged = false;

    // Missiles by the launcher's number: this player's, flying in the other
    // field until the other machine tells their fate; the other player's,
    // flying here, until their fate is told.
    std::map<std::uint16_t, Missile*> outgoing;
    std::map<std::uint16_t, Missile*> incoming;
    std::uint16_t missilesLaunched = 0;
    // This player's slots as the last frame left them: a launched missile's slot.
    std::array<const Gimmick*, 4> lastSlots{};
};
