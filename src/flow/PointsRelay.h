#pragma once

#include "net/NetMessage.h"

#include <cstdint>
#include <optional>

class Match;
namespace net {
class NetSession;
}

// The points across two machines: each player's own machine counts that
// player's points, thresholds and stored missiles and sends them when they
// change; the other machine follows.
class PointsRelay {
public:
    PointsRelay(Match& match, net::NetSession& session, int localPlayer)
        : match(match), session(session), localPlayer(localPlayer) {}

    // This player's points, thresholds and stored missiles, when they changed.
    void send();
    // The other player's, as their machine counts them.
    void receive(const net::PointsState& state);
    // The other player's points as their machine told them.
    void setRemote(std::uint32_t points);
    // This player's points (0 without the player).
    std::uint32_t localPoints() const;
    // A new round: the next state is sent whatever it is.
    void forget() { lastSent.reset(); }

private:
    int remotePlayer() const { return localPlayer == 1 ? 2 : 1; }

    Match& match;
    net::NetSession& session;
    const int localPlayer;
    std::optional<net::PointsState> lastSent;
};
