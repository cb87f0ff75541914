#include "game/GimmickManager.h"

#include "core/ObjectRegistry.h"
#include "game/GoalMarker.h"
#include "game/Missile.h"
#include "game/Player.h"
#include "game/PlayerManager.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"

#include <cstdlib>


namespace {

GimmickManager* theManager = nullptr;
constexpr int laneCount = 4;

std::uint32_t pointsOf(PlayerManager& players, std::int8_t number)
{
    const Player* player = players.getPlayer(number);
    return player ? player->getPoints() : 0;
}

} // namespace

GimmickManager::GimmickManager()
    : Object(true, "GimmickManager")
{
}

GimmickManager* GimmickManager::instance()
{
    if (!theManager)
        theManager = new GimmickManager();
    return theManager;
}

GimmickManager::~GimmickManager()
{
    if (theManager == this)
        theManager = nullptr;
}

void GimmickManager::newRound()
{
    for (Gimmick* gimmick : gimmicks)
        gimmick->retire();
    gimmicks.clear();
    unlinked.clear();
    slots = {};
    store.clear();
    launches = 0;
    ObjectGraph* graph = ObjectGraph::find();
    if (!graph)
        return;
    for (int lane = 0; lane < laneCount; ++lane) {
        if (auto* goal = dynamic_cast<GoalMarker*>(graph->findNode(nodes::goal(lane).c_str()))) {
            for (int player = 1; player <= playerCount; ++player)
                goal->showForPlayer(player);
        }
    }
}

void GimmickManager::update()
{
    auto* players = ObjectRegistry::instance()->findAs<PlayerManager>("PlayerManager");
    if (!players)
        return;
    awardReached(pointsOf(*players, 1), pointsOf(*players, 2));
}

// All four thresholds award a missile: the fourth has its flag, a slot and a
// sidebar icon like the others.
void GimmickManager::awardReached(std::uint32_t player1Points, std::uint32_t player2Points)
{
    for (const MissileStore::Award& award : store.awardReached(player1Points, player2Points))
        place(static_cast<std::int8_t>(award.player), missileType, static_cast<std::int8_t>(award.slot));
}

void GimmickManager::adoptStore(int player, std::uint16_t thresholdBits, std::uint8_t slotBits)
{
    if (!validPlayer(player))
        return;
    store.adopt(player, thresholdBits, slotBits);
    for (int slot = 0; slot < slotCount; ++slot) {
        Gimmick*& held = slots[player - 1][slot];
        const bool stored = store.isStored(player, slot);
        if (stored && !held) {
            place(static_cast<std::int8_t>(player), missileType, static_cast<std::int8_t>(slot));
        } else if (!stored && held) {
            held->retire();
            held = nullptr;
        }
    }
}

std::int8_t GimmickManager::award(std::int8_t player, std::uint8_t type)
{
    if (!validPlayer(player))
        return -1;
    std::int8_t slot = slotCount - 1;
    for (std::int8_t s = 0; s < slotCount; ++s) {
        if (!slots[player - 1][s]) {
            slot = s;
            break;
        }
    }
    place(player, type, slot);
    return slot;
}

bool GimmickManager::place(std::int8_t player, std::uint8_t type, std::int8_t slot)
{
    if (!validSlot(slot) || !validPlayer(player))
        return false;
    // The missile is the only gimmick there is; other types place nothing.
    if (type != missileType)
        return true;
    // It flies in the opponent's field.
    auto* missile = new Missile(player == 1 ? ObjectNode::SidePlayer2 : ObjectNode::SidePlayer1);
    slots[player - 1][slot] = missile;
    store.fill(player, slot);
    gimmicks.push_back(missile);
    missile->arm();
    if (missile->getPath().empty())
        unlinked.emplace_back(missile);
    return true;
}

bool GimmickManager::launch(std::int8_t player, std::int8_t slot)
{
    if (!validPlayer(player) || !validSlot(slot) || !slots[player - 1][slot])
        return false;
    Gimmick* fired = slots[player - 1][slot];
    std::srand(roundSeed + launches++);
    const bool flies = fired->launch();
    slots[player - 1][slot] = nullptr;
    store.empty(player, slot);
    if (flies)
        tellMissile(player, fired->lane, library::RoundMissile::Sent);
    if (flies && launchListener)
        launchListener(player, slot, *fired);
    return true;
}

void GimmickManager::tellMissile(int player, int lane, library::RoundMissile::Kind kind, std::uint32_t blockMs) const
{
    if (missileListener)
        missileListener(player, lane, kind, blockMs);
}

void GimmickManager::onSlotKey(std::int8_t player, std::uint8_t slotKey, double songMs)
{
    if (songMs <= keyGuardMs)
        return;
    const bool oddSlotKey = slotKey % 2 == 1;
    launch(player, oddSlotKey ? 1 : 0);
}

void GimmickManager::catchPress(int player, std::uint8_t lane, std::uint32_t msAgo)
{
    for (Gimmick* gimmick : gimmicks) {
        const float quality = gimmick->qualityAt(msAgo);
        const bool reachable = !catchesOwnFieldOnly || gimmick->side == player;
        if (quality != 0.0f && gimmick->lane == lane && reachable) {
            tellMissile(3 - gimmick->side, lane, library::RoundMissile::Caught);
            gimmick->hit(quality);
            return;
        }
    }
}

Missile* GimmickManager::launchInLane(std::int8_t player, std::int8_t slot, int lane)
{
    if (!validPlayer(player) || !validSlot(slot) || lane < 0 || lane >= laneCount)
        return nullptr;
    if (!slots[player - 1][slot])
        place(player, missileType, slot);
    auto* missile = dynamic_cast<Missile*>(slots[player - 1][slot]);
    if (!missile || !missile->launchInLane(lane))
        return nullptr;
    slots[player - 1][slot] = nullptr;
    store.empty(player, slot);
    tellMissile(player, lane, library::RoundMissile::Sent);
    return missile;
}

Gimmick* GimmickManager::getSlot(int player, int slot) const
{
    if (!validPlayer(player) || !validSlot(slot))
        return nullptr;
    return slots[player - 1][slot];
}

void GimmickManager::holdBlocksFor(std::uint32_t ms)
{
    for (Gimmick* gimmick : gimmicks) {
        if (auto* missile = dynamic_cast<Missile*>(gimmick))
            missile->holdBlockFor(ms);
    }
}
