#include "flow/PointsRelay.h"

#include "flow/Match.h"
#include "game/ArrowManager.h"
#include "game/GimmickManager.h"
#include "game/Player.h"
#include "net/NetProtocol.h"
#include "net/NetSession.h"

#include <algorithm>

void PointsRelay::send()
{
    const MissileStore& store = GimmickManager::instance()->getStore();
    net::PointsState state;
    state.points = static_cast<std::int32_t>(std::min<std::uint32_t>(localPoints(), net::maxPoints));
    state.thresholdsAwarded = store.awardedTo(localPlayer);
    state.missilesInStore = store.storedBy(localPlayer);
    const bool same = lastSent && lastSent->points == state.points
        && lastSent->thresholdsAwarded == state.thresholdsAwarded && lastSent->missilesInStore == state.missilesInStore;
    if (!same && session.send(state))
        lastSent = state;
}

void PointsRelay::receive(const net::PointsState& state)
{
    setRemote(static_cast<std::uint32_t>(std::max(state.points, 0)));
    GimmickManager::instance()->adoptStore(remotePlayer(), state.thresholdsAwarded, state.missilesInStore);
}

void PointsRelay::setRemote(std::uint32_t points)
{
    ArrowManager& arrows = match.getArrows();
    if (arrows.songRun().isStarted())
        arrows.judging().recording().remotePoints(arrows.songRun().now(), points);
    if (Player* remote = arrows.judging().playerNumber(remotePlayer())) {
        remote->resetPoints();
        remote->addPoints(points);
    }
}

std::uint32_t PointsRelay::localPoints() const
{
    const Player* local = match.getArrows().judging().playerNumber(localPlayer);
    return local ? local->getPoints() : 0;
}
