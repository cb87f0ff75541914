#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

class Match;
class Missile;
namespace net {
class NetSession;
struct MissileLaunched;
struct MissileOutcome;
}

// The missiles across two machines. This player's missiles, fired by the
// slot keys, are told to the other machine with their slot, lane and song
// time and wait at the goal line for their fate; the other player's fly up
// this player's field and explode by this machine's rules, and their fate
// and the song-time span of their block go back.
class MissileRelay {
public:
    MissileRelay(Match& match, net::NetSession& session, int localPlayer);
    ~MissileRelay();
    MissileRelay(const MissileRelay&) = delete;
    MissileRelay& operator=(const MissileRelay&) = delete;

    // Once per frame while the song runs.
    void announceLaunches();
    void reportOutcomes();
    // The other player fired: the missile flies up this player's field from
    // where it would be by now.
    void onRemoteLaunch(const net::MissileLaunched& launched);
    // What became of this player's missile.
    void onOutcome(const net::MissileOutcome& outcome);
    // The lane this player's missile flies in, while its fate is awaited.
    std::optional<int> laneOf(std::uint16_t missile) const;
    // A new round: no missile is in flight.
    void forget();

private:
    struct Fired {
        Missile* missile = nullptr;
        int slot = 0;
    };
    int remotePlayer() const { return localPlayer == 1 ? 2 : 1; }
    void logBlock(std::uint16_t missile, int launcher, int lane, std::int32_t untilMs) const;

    Match& match;
    net::NetSession& session;
    const int localPlayer;
    // This player's missiles fired since the last frame, in firing order.
    std::vector<Fired> fired;
    // Missiles by the launcher's number: this player's, flying in the other
    // field until the other machine tells their fate; the other player's,
    // flying here, until their fate is told.
    std::map<std::uint16_t, Missile*> outgoing;
    std::map<std::uint16_t, Missile*> incoming;
    std::uint16_t missilesLaunched = 0;
};
