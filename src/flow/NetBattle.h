#pragma once

#include "flow/JudgementRelay.h"
#include "flow/MissileRelay.h"
#include "flow/NetHandshake.h"
#include "flow/NetPlan.h"
#include "flow/NetResults.h"
#include "flow/PointsRelay.h"
#include "flow/ResultsBoard.h"
#include "net/NetSession.h"

#include <cstdint>
#include <string>
#include <vector>

namespace library {
class SongSelection;
}
class Match;

// The match's side of a battle across two machines. The host plays player 1
// (the left field), the guest player 2; each machine judges only its own
// player's presses and sends the words and points, and shows the other
// player's arrows disappearing with the words that arrive. The song and its
// start are agreed by the NetHandshake; the words, missiles and points go
// through their relays; at the end both show the same results (NetResults).
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
    void offerSong(const library::SongSelection& selection) { handshake.offerSong(selection, songRunning); }
    // Says goodbye and closes the port.
    void close();

    // What the lobby shows, top first.
    std::vector<std::string> lobbyLines() const;
    // A line under the current screen ("Opponent left", a refused song), or empty.
    const std::string& notice() const { return noticeText; }
    // The other player's totals as their machine counted them, once they arrived.
    const ResultsBoard::Counts* remoteCounts(int player) const { return results.remoteCounts(player); }
    const net::NetSession& getSession() const { return session; }

private:
    void forgetRound();
    void handle(const net::Message& message);
    void onOffer(const net::SongOffer& offer);

    Match& match;
    const NetPlan plan;
    net::NetSession session;
    bool open = false;
    bool greeted = false;
    bool peerLostNoticed = false;
    bool songRunning = false;
    std::string noticeText;
    NetHandshake handshake;
    PointsRelay points;
    JudgementRelay judgements;
    MissileRelay missiles;
    NetResults results;
};
