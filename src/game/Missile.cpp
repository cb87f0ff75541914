#include "game/Missile.h"

#include "core/FrameClock.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "fx/AnimatedSprite.h"
#include "fx/ExplosionEmitter.h"
#include "game/GimmickManager.h"
#include "game/GoalMarker.h"
#include "platform/SystemClock.h"
#include "scene/Mesh.h"
#include "scene/MeshManager.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"
#include "scene/Texture.h"
#include "sound/SoundManager.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr const char* meshPath = "Data/Models/missile.3ds";
constexpr const char* texturePath = "Data/Textures/missle1.bmp";
constexpr const char* explosionPrefix = "Data/Textures/ParticleSystem/Explosion3/ex";
constexpr int explosionSize = 4;
constexpr float armedX = 5.0f;
constexpr float armedY = -3.0f;
constexpr float exhaustBelow = 0.5f;
constexpr float goalLineReach = 0.5f;
constexpr int laneCount = 4;
constexpr double millisecondsPerMinute = 60000.0;

// Hands the node to the scene graph; a node nobody can take is dropped.
template <typename Node>
Node* linkIntoGraph(std::unique_ptr<Node> node, const char* path)
{
    ObjectGraph* graph = ObjectGraph::find();
    if (!graph || !graph->addNode(node.get(), path))
        return nullptr;
    return node.release();
}

// Tick comparison that survives the 49.7-day wrap of the tick counter.
bool tickIsAfter(std::uint32_t now, std::uint32_t tick)
{
    return static_cast<std::int32_t>(now - tick) > 0;
}

} // namespace

Missile::Missile(std::int8_t side)
    : Gimmick("Missile", side)
{
}

bool Missile::arm()
{
    if (auto* meshes = ObjectRegistry::instance()->findAs<MeshManager>("MeshManager")) {
        mesh = meshes->getMesh(meshPath);
        texture = meshes->getTexture(texturePath);
        if (mesh && texture)
            mesh->setTexture(texture->glName);
    }
    if (ObjectGraph* graph = ObjectGraph::find())
        graph->addNode(this, "GMissile");
    x = armedX;
    y = armedY;
    z = 0.0f;
    launched = false;
    blockUntil = 0;
    return true;
}

bool Missile::launch()
{
    return launchInLane(std::rand() % laneCount);
}

bool Missile::launchInLane(int targetLane)
{
    const std::string goalPath = nodes::goal(targetLane);
    ObjectGraph* graph = ObjectGraph::find();
    target = graph ? dynamic_cast<GoalMarker*>(graph->findNode(goalPath.c_str())) : nullptr;
    if (!target) {
        OutputHandler::report(OutputHandler::find(), Warning, "Missile: no goal marker '%s' to fly at", goalPath.c_str());
        return false;
    }
    launched = true;
    lane = static_cast<std::int8_t>(target->getLane());
    x = target->x;
    y = startY;
    OutputHandler::log(OutputHandler::find(), "Missile: fired up lane %d of player %d's field", lane, side);
    exhaust = linkIntoGraph(std::make_unique<ExplosionEmitter>("MisslePart", static_cast<std::int8_t>(side)),
                            "MisslePart");
    return true;
}

bool Missile::update()
{
    if (!launched)
        return false;
    climb();
    if (reachedGoalLine() && awaitingOutcome && !exploded)
        y = target->y + goalLineReach;
    else if (reachedGoalLine())
        hit(1.0f);
    releaseTargetWhenBlockEnds();
    if (exhaust) {
        exhaust->x = x;
        exhaust->y = y - exhaustBelow;
        exhaust->z = z;
    }
    return ObjectNode::update();
}

// 250 units per minute whatever the song's tempo; a 0 ms frame counts as 1 ms.
void Missile::climb()
{
    const std::uint32_t frameMs = std::max<std::uint32_t>(FrameClock::frameDelta(), 1);
    y = static_cast<float>(y + frameMs / millisecondsPerMinute * unitsPerMinute);
}

bool Missile::reachedGoalLine() const
{
    return y >= target->y + goalLineReach;
}

// The goal marker goes back exactly once, when this missile's own block has
// run out; a missile that never took it away never gives it back, so it
// cannot cut short another missile's block in the same lane.
void Missile::releaseTargetWhenBlockEnds()
{
    if (!blocking || !tickIsAfter(platform::SystemClock::tickCount(), blockUntil))
        return;
    target->showForPlayer(side);
    blockUntil = 0;
    blocking = false;
}

void Missile::climbFor(std::uint32_t ms)
{
    if (launched && !exploded)
        y = static_cast<float>(y + ms / millisecondsPerMinute * unitsPerMinute);
}

void Missile::hit(float quality)
{
    explode(blockLength(quality));
}

void Missile::explodeWithBlock(std::uint32_t ms)
{
    explode(std::min(ms, blockMs));
}

void Missile::holdBlockFor(std::uint32_t ms)
{
    if (blocking)
        blockUntil += ms;
}

void Missile::explode(std::uint32_t blockFor)
{
    if (exploded)
        return;
    showExplosion();
    blockUntil = platform::SystemClock::tickCount() + blockFor;
    if (target) {
        holdLaneIfBlockEndsLater();
        target->hideForPlayer(side);
    }
    hideForPlayer(side);
    if (exhaust)
        exhaust->stopEmitting();
    logExplosion(blockFor);
    if (auto* gimmicks = ObjectRegistry::instance()->findAs<GimmickManager>("GimmickManager"))
        gimmicks->tellMissile(3 - side, lane, library::RoundMissile::Blocked, blocking ? blockFor : 0);
    exploded = true;
}

void Missile::retire()
{
    launched = false;
    blocking = false;
    blockUntil = 0;
    setActive(false);
    if (exhaust) {
        exhaust->stopEmitting();
        exhaust->setActive(false);
    }
}

// A lane already blocked by another missile stays blocked until the later of
// the two blocks ends: whichever missile's block ends later holds the lane,
// and only the holder gives the goal marker back.
void Missile::holdLaneIfBlockEndsLater()
{
    blocking = true;
    if (!target->isHiddenFor(side))
        return;
    Missile* holder = laneHolder();
    if (!holder)
        return;
    if (tickIsAfter(blockUntil, holder->blockUntil))
        holder->blocking = false;
    else
        blocking = false;
}

// The other missile whose block holds this missile's lane, or null.
Missile* Missile::laneHolder() const
{
    const auto* gimmicks = ObjectRegistry::instance()->findAs<GimmickManager>("GimmickManager");
    if (!gimmicks)
        return nullptr;
    for (Gimmick* gimmick : gimmicks->getGimmicks()) {
        auto* other = dynamic_cast<Missile*>(gimmick);
        if (other && other != this && other->blocking && other->target == target && other->side == side)
            return other;
    }
    return nullptr;
}

void Missile::logExplosion(std::uint32_t blockFor) const
{
    if (!target)
        return;
    if (blocking)
        OutputHandler::log(OutputHandler::find(),
                           "Missile: exploded in lane %d of player %d's field, blocking it for %u ms", lane, side,
                           blockFor);
    else
        OutputHandler::log(OutputHandler::find(),
                           "Missile: exploded in lane %d of player %d's field, already blocked", lane, side);
}

// quality × blockMs, truncated; qualities outside 0 to 1 (or NaN) are held to
// that range so the block can never wrap the tick counter.
std::uint32_t Missile::blockLength(float quality) const
{
    const double share = quality > 0.0f ? std::min(static_cast<double>(quality), 1.0) : 0.0;
    return static_cast<std::uint32_t>(share * blockMs);
}

void Missile::showExplosion()
{
    auto sprite = std::make_unique<AnimatedSprite>("Disco1", static_cast<std::int8_t>(side), explosionPrefix,
                                                   explosionSize, false);
    if (target) {
        sprite->x = target->x;
        sprite->y = target->y;
    }
    linkIntoGraph(std::move(sprite), "Explosion");
    if (auto* sounds = ObjectRegistry::instance()->findAs<SoundManager>("SoundManager"))
        sounds->play("Explosion1");
}

bool Missile::draw()
{
    if (!launched)
        return false;
    applySideTransform();
    glTranslatef(x, y, z);
    if (mesh)
        mesh->draw();
    return ObjectNode::draw();
}
