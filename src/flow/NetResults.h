#pragma once

#include "flow/ResultsBoard.h"

#include <optional>

class Match;
class PointsRelay;
namespace net {
class NetSession;
struct SongEnd;
}

// The results across two machines: at the song's end each machine sends its
// player's totals, and once the other's have come (or the other machine has
// gone) both write the same results line.
class NetResults {
public:
    NetResults(Match& match, net::NetSession& session, int localPlayer, PointsRelay& points)
        : match(match), session(session), localPlayer(localPlayer), points(points) {}

    // Once per frame while the song runs.
    void update(bool connected);
    // The other player's totals as their machine counted them.
    void onRemoteEnd(const net::SongEnd& end);
    // The other player's totals, once they arrived.
    const ResultsBoard::Counts* remoteCounts(int player) const;
    // A new round.
    void forget();

private:
    int remotePlayer() const { return localPlayer == 1 ? 2 : 1; }
    ResultsBoard::Counts localCounts() const;
    void sendSongEnd();
    void logResults();

    Match& match;
    net::NetSession& session;
    const int localPlayer;
    PointsRelay& points;
    bool songEndSent = false;
    std::optional<ResultsBoard::Counts> remoteTotals;
    bool resultsLogged = false;
};
