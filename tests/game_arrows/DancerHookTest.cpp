#include "ArrowStage.h"

#include "game/Arrow.h"
#include "game/ArrowManager.h"
#include "game/Lane.h"
#include "scene/Dancer.h"
#include "scene/ObjectGraph.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace {

using arrowtest::ArrowStage;
using Range = std::pair<int, int>;

Range moveOf(std::uint32_t lane)
{
    switch (lane) {
    case LaneLeft:
        return {Dancer::leftMove.firstFrame, Dancer::leftMove.lastFrame};
    case LaneUp:
        return {Dancer::upMove.firstFrame, Dancer::upMove.lastFrame};
    default:
        return {Dancer::downRightMove.firstFrame, Dancer::downRightMove.lastFrame};
    }
}

} // namespace

// Every note reaches the dancer as its arrows reach the goal line: the move
// of that direction (or the special one) starts within a frame of it.
TEST(DancerHook, EachStepMovesTheDancerAsItsArrowReachesTheGoal)
{
    ArrowStage stage({"40802060", "128.000", 5500, 9000});
    // A dancer registers with the arrow manager and leaves it when it goes.
    delete new Dancer();
    EXPECT_EQ(stage.arrows().getDancer(), nullptr);
    auto* dancer = new Dancer();
    EXPECT_EQ(stage.arrows().getDancer(), dancer);
    ObjectGraph::find()->addNode(dancer, "Dancer");
    stage.startSong();

    constexpr std::uint32_t frameMs = 10;
    std::vector<Range> ranges;
    std::map<const Arrow*, std::size_t> crossedAtFrame;
    while (stage.now() - stage.songStart() < 9000) {
        stage.frame(frameMs);
        ranges.emplace_back(dancer->getModel().firstFrame(), dancer->getModel().lastFrame());
        for (const Arrow* arrow : stage.arrows().getArrows(1)) {
            if (arrow->y >= ArrowStage::goalY && !crossedAtFrame.contains(arrow))
                crossedAtFrame[arrow] = ranges.size() - 1;
        }
    }

    ASSERT_EQ(crossedAtFrame.size(), 4u);
    for (const auto& [arrow, frame] : crossedAtFrame) {
        SCOPED_TRACE(testing::Message() << "lane " << arrow->getLane() << " at frame " << frame);
        bool moved = false;
        for (std::size_t f = frame > 0 ? frame - 1 : 0; f <= frame + 1 && f < ranges.size(); ++f) {
            moved = moved || ranges[f] == moveOf(arrow->getLane())
                || ranges[f] == Range(Dancer::specialMove.firstFrame, Dancer::specialMove.lastFrame);
        }
        EXPECT_TRUE(moved);
    }
    // Every step, silent ones and those past the chart's end included, is
    // queued and consumed when due: only the steps still on their way wait.
    const double halfBeatMs = 30000.0 / 128.0;
    EXPECT_LE(dancer->pendingEvents(), static_cast<std::size_t>(stage.arrows().getLead() / halfBeatMs) + 1);
}
