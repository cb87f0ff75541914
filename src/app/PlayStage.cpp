#include "app/PlayStage.h"

#include "chart/Lane.h"
#include "game/Arrow.h"
#include "game/GoalMarker.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"

#include <cstdint>
#include <string>

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
