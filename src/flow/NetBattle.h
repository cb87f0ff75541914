#pragma once

#include "flow/JudgementRelay.h"
#include "flow/MissileRelay.h"
#include "flow/NetHandshake.h"
#include "flow/NetPlan.h"
#include "flow/NetResults.h"
#include "flow/PointsRelay.h"
#include "flow/ResultsBoard.h"
#include "net/ClaimCheck.h"
#include "net/NetSession.h"

#include <cstdint>
#include <optional>
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
    // Guests the host gave up on before the clocks agreed (and hosted again).
    std::uint32_t guestsGivenUp() const { return givenUp; }
    // How long a host waits from a guest's hello for the clocks to agree.
    static constexpr std::int64_t guestSyncLimitUs = 10000000;

    // Once per frame, after the arrow manager's update.
    void update(std::uint32_t tick);
    // The host's slot key on the story screen: offers the panel's song.
    void offerSong(const library::SongSelection& selection) { handshake.offerSong(selection, songRunning); }
    // Says goodbye and closes the port.
    void close();

    // What the lobby shows, top first.
    std::vector<std::string> lobbyLines() const;
    // How the other game is linked through a server: "direct" or "relayed",
    // with the round trip.
    std::string linkText() const;
    // A line under the current screen ("Opponent left", a refused song), or empty.
    const std::string& notice() const { return noticeText; }
    // The other player's totals as their machine counted them, once they arrived.
    const ResultsBoard::Counts* remoteCounts(int player) const { return results.remoteCounts(player); }
    const net::NetSession& getSession() const { return session; }
    // The name player 1 or 2 gave themselves: this machine's player's from
    // its configuration, the other's from the other machine's hello.
    std::string playerName(int player) const { return player == localPlayer() ? ownName : session.peerName(); }
    // The folder of the song the two machines agreed on last.
    const std::string& songFolder() const { return handshake.playedFolder(); }

private:
    std::vector<std::string> roomLines() const;
    void forgetRound();
    void handle(const net::Message& message);
    void onOffer(const net::SongOffer& offer);
    void onOutcome(const net::MissileOutcome& outcome);
    void onSongEnd(const net::SongEnd& end);
    void startClaimCheck();
    void watchNewGuest();
    void giveUpOnGuest(const std::string& why);
    void letGoOfCheater();

    Match& match;
    const NetPlan plan;
    const std::string ownName;
    net::NetSession session;
    bool open = false;
    bool greeted = false;
    bool peerLostNoticed = false;
    bool cheaterLetGo = false;
    std::optional<std::int64_t> guestSinceUs;
    std::uint32_t givenUp = 0;
    bool songRunning = false;
    std::string noticeText;
    NetHandshake handshake;
    PointsRelay points;
    JudgementRelay judgements;
    MissileRelay missiles;
    NetResults results;
    net::ClaimCheck claims;
};
