#pragma once

#include "game/PressJudge.h"

class Match;
class PointsRelay;
namespace net {
class NetSession;
struct Judgement;
}

// The words across two machines: each machine judges only its own player's
// presses and sends the words, with the player's points after the press;
// the other player's words arrive and take their arrows away here.
class JudgementRelay {
public:
    JudgementRelay(Match& match, net::NetSession& session, int localPlayer, PointsRelay& points)
        : match(match), session(session), localPlayer(localPlayer), points(points) {}

    // A word this machine's player earned.
    void send(const PressJudge::Earned& earned);
    // A word the other machine judged for its player.
    void receive(const net::Judgement& judgement);

private:
    Match& match;
    net::NetSession& session;
    const int localPlayer;
    PointsRelay& points;
};
