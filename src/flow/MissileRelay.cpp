#include "flow/MissileRelay.h"

#include "core/OutputHandler.h"
#include "flow/Match.h"
#include "game/ArrowManager.h"
#include "game/GimmickManager.h"
#include "game/GoalMarker.h"
#include "game/Missile.h"
#include "net/NetSession.h"
#include "platform/SystemClock.h"

#include <algorithm>

MissileRelay::MissileRelay(Match& match, net::NetSession& session, int localPlayer)
    : match(match)
    , session(session)
    , localPlayer(localPlayer)
{
    GimmickManager::instance()->setLaunchListener([this](int player, int slot, Gimmick& gimmick) {
        if (auto* missile = dynamic_cast<Missile*>(&gimmick); missile && player == this->localPlayer)
            fired.push_back({missile, slot});
    });
}

MissileRelay::~MissileRelay()
{
    GimmickManager::instance()->setLaunchListener({});
}

void MissileRelay::forget()
{
    fired.clear();
    outgoing.clear();
    incoming.clear();
    missilesLaunched = 0;
}

// Here this player's missiles wait at the goal line for the other machine
// to tell what became of them.
void MissileRelay::announceLaunches()
{
    const auto songMs = static_cast<std::int32_t>(
        std::clamp(match.getArrows().songRun().now(), double{net::minSongTimeMs}, double{net::maxSongTimeMs}));
    for (const Fired& launch : fired) {
        if (!launch.missile->isLaunched() || launch.missile->isAwaitingOutcome())
            continue;
        launch.missile->awaitOutcome();
        outgoing[++missilesLaunched] = launch.missile;
        session.send(net::MissileLaunched{missilesLaunched, static_cast<std::uint8_t>(launch.slot),
                                          static_cast<std::uint8_t>(launch.missile->lane), songMs});
    }
    fired.clear();
}

void MissileRelay::reportOutcomes()
{
    const double songNow = match.getArrows().songRun().now();
    const std::uint32_t tick = platform::SystemClock::tickCount();
    for (auto flying = incoming.begin(); flying != incoming.end();) {
        const Missile* missile = flying->second;
        if (!missile->exploded) {
            ++flying;
            continue;
        }
        net::MissileOutcome outcome;
        outcome.missile = flying->first;
        const bool caught = missile->getTarget() && missile->y < missile->getTarget()->y;
        outcome.fate = !missile->isBlocking() ? net::MissileFate::Spent
                                              : caught ? net::MissileFate::Caught : net::MissileFate::Blocking;
        const auto left = static_cast<std::int32_t>(missile->getBlockUntil() - tick);
        outcome.blockStartMs = static_cast<std::int32_t>(
            std::clamp(songNow, double{net::minSongTimeMs}, double{net::maxSongTimeMs}));
        outcome.blockEndMs = outcome.blockStartMs + (missile->isBlocking() ? std::clamp(left, 0, net::maxBlockMs) : 0);
        session.send(outcome);
        logBlock(outcome.missile, remotePlayer(), missile->lane, outcome.blockEndMs);
        flying = incoming.erase(flying);
    }
}

void MissileRelay::onRemoteLaunch(const net::MissileLaunched& launched)
{
    if (incoming.count(launched.missile))
        return;
    Missile* missile = GimmickManager::instance()->launchInLane(static_cast<std::int8_t>(remotePlayer()),
                                                                 static_cast<std::int8_t>(launched.slot), launched.lane);
    if (!missile)
        return;
    const double late = match.getArrows().songRun().now() - launched.songTimeMs;
    if (late > 0.0)
        missile->climbFor(static_cast<std::uint32_t>(std::min(late, double{net::maxBlockMs})));
    incoming[launched.missile] = missile;
}

// The block lasts until the song time the other machine named, starting at
// once when the message comes late.
void MissileRelay::onOutcome(const net::MissileOutcome& outcome)
{
    const auto found = outgoing.find(outcome.missile);
    if (found == outgoing.end())
        return;
    const double songNow = match.getArrows().songRun().now();
    const double left = outcome.fate == net::MissileFate::Spent ? 0.0 : outcome.blockEndMs - songNow;
    const auto blockMs = static_cast<std::uint32_t>(std::clamp(left, 0.0, double{net::maxBlockMs}));
    found->second->explodeWithBlock(blockMs);
    logBlock(outcome.missile, localPlayer, found->second->lane,
             static_cast<std::int32_t>(songNow) + static_cast<std::int32_t>(blockMs));
    outgoing.erase(found);
}

std::optional<int> MissileRelay::laneOf(std::uint16_t missile) const
{
    const auto found = outgoing.find(missile);
    return found == outgoing.end() ? std::nullopt : std::optional<int>(found->second->lane);
}

// Both machines log where a missile's block ends on their song clock.
void MissileRelay::logBlock(std::uint16_t missile, int launcher, int lane, std::int32_t untilMs) const
{
    OutputHandler::log(OutputHandler::find(), "NetBattle: Missile %u of player %d: lane %d free at song time %d ms",
                       missile, launcher, lane, untilMs);
}
