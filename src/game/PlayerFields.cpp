#include "game/PlayerFields.h"

#include "game/Arrow.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"

#include <algorithm>

namespace {

constexpr const char* arrowName = "gehtdasauchso";

// Links a new arrow of the lane under the carrier arrow; null (and nobody's)
// without a graph or carrier.
Arrow* linkArrow(std::int8_t side, std::uint8_t lane)
{
    ObjectGraph* graph = ObjectGraph::find();
    if (!graph)
        return nullptr;
    auto* arrow = new Arrow(arrowName, side);
    arrow->setup(lane);
    if (!graph->addNode(arrow, nodes::spawnedArrow)) {
        delete arrow;
        return nullptr;
    }
    return arrow;
}

} // namespace

Arrow* PlayerFields::spawnArrow(std::uint8_t lane)
{
    Arrow* arrow = linkArrow(ObjectNode::SideBoth, lane);
    if (!arrow)
        return nullptr;
    arrow->setNumber(++arrowsNumbered[0]);
    arrowsNumbered[1] = arrowsNumbered[0];
    p1Arrows.push_back(arrow);
    p2Arrows.push_back(arrow);
    return arrow;
}

Arrow* PlayerFields::spawnArrowFor(int player, std::uint8_t lane, bool judged)
{
    if (player != 1 && player != 2)
        return nullptr;
    Arrow* arrow = linkArrow(static_cast<std::int8_t>(player), lane);
    if (arrow && judged) {
        arrow->setNumber(++arrowsNumbered[static_cast<std::size_t>(player - 1)]);
        arrowsOf(player).push_back(arrow);
    }
    return arrow;
}

const std::vector<Arrow*>& PlayerFields::getArrows(int player) const
{
    static const std::vector<Arrow*> none;
    if (player == 1)
        return p1Arrows;
    return player == 2 ? p2Arrows : none;
}

Arrow* PlayerFields::take(int player, const std::function<bool(const Arrow&)>& hits)
{
    if (player != 1 && player != 2)
        return nullptr;
    std::vector<Arrow*>& arrows = arrowsOf(player);
    const auto hit = std::find_if(arrows.begin(), arrows.end(), [&hits](const Arrow* arrow) { return hits(*arrow); });
    if (hit == arrows.end())
        return nullptr;
    Arrow* arrow = *hit;
    arrows.erase(hit);
    return arrow;
}

// Missed arrows stay in the lists, hidden for the player; each is a miss once.
void PlayerFields::sweepMisses(double songNow, const std::function<void(int player, const Arrow& arrow)>& missed)
{
    for (int player = 1; player <= 2; ++player) {
        for (Arrow* arrow : arrowsOf(player)) {
            if (!arrow->isHiddenFor(player) && passedUnhit(*arrow, songNow)) {
                arrow->hideForPlayer(player);
                missed(player, *arrow);
            }
        }
    }
}

// Above the miss height; at a speed other than 1x or judged in ms also past
// the judgement window, so that an arrow is not taken away while it can
// still be hit.
bool PlayerFields::passedUnhit(const Arrow& arrow, double songNow)
{
    if (arrow.y <= missHeight)
        return false;
    const bool byHeight = arrow.getSpeed() == 1.0 && !arrow.judgedInMs();
    return byHeight || (songNow > arrow.getNoteMs() && arrow.qualityAt(songNow) == 0.0f);
}

// Every arrow ever spawned hangs below the carrier arrow; the carrier
// itself stays as the main loop made it.
void PlayerFields::retire()
{
    ObjectGraph* graph = ObjectGraph::find();
    if (ObjectNode* carrier = graph ? graph->findNode(nodes::carrierArrow) : nullptr) {
        for (ObjectNode* arrow : carrier->getChildren())
            arrow->setActive(false);
    }
    p1Arrows.clear();
    p2Arrows.clear();
    arrowsNumbered = {};
}
