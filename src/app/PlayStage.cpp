#include "app/PlayStage.h"

#include "app/StartupTimes.h"
#include "chart/Lane.h"
#include "flow/Match.h"
#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/GoalMarker.h"
#include "game/PlayerManager.h"
#include "scene/MeshManager.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"

#include <cstdint>
#include <string>

void PlayStage::build(ArrowManager& arrows, Match& match)
{
    // Both register themselves; from here on nodes can be linked.
    new MeshManager();
    new ObjectGraph();
    PlayerManager::instance()->init(2);
    StartupTimes::mark("players");
    createGoalMarkers();
    StartupTimes::mark("goal markers");
    arrows.init();
    match.init();
    StartupTimes::mark("arrow manager");
}

void PlayStage::createGoalMarkers()
{
    for (std::uint32_t lane = 0; lane < 4; ++lane) {
        const std::string name = nodes::goal(static_cast<int>(lane));
        auto* goal = new GoalMarker(name.c_str());
        goal->setup(lane);
        if (!ObjectGraph::find()->addNode(goal, name.c_str()))
            delete goal;
    }
}

void PlayStage::createCarrierArrow()
{
    auto* carrier = new Arrow("gehtdasauchso", ObjectNode::SideBoth);
    carrier->setup(LaneDown);
    if (!ObjectGraph::find()->addNode(carrier, nodes::carrierArrow))
        delete carrier;
}
