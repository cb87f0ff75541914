#pragma once

#include "app/PlayStage.h"
#include "core/ConfigFileParser.h"
#include "core/Object.h"
#include "core/ObjectRegistry.h"
#include "game/GimmickManager.h"
#include "game/GoalMarker.h"
#include "game/Missile.h"
#include "platform/SimulatedClock.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"
#include "support/StandInMainLoop.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

// A fresh registry with a configuration (goal line at 2), the scene graph,
// the four goal markers and the gimmick manager, in simulated time.
class BattleFixture : public ::testing::Test {
protected:
    static constexpr float goalY = 2.0f;

    void SetUp() override
    {
        ObjectRegistry::destroy();
        scratch.write("Conf/global.cfg", "[General]\nGoalposy = 2\nSpawnposy = -3\n[Window]\nWidth = 1024\n");
        loop = new testsupport::StandInMainLoop();
        (new ConfigFileParser())->parse("Conf/global.cfg");
        graph = new ObjectGraph();
        PlayStage::createGoalMarkers();
        for (std::size_t lane = 0; lane < goals.size(); ++lane)
            goals[lane] = dynamic_cast<GoalMarker*>(graph->findNode(nodes::goal(static_cast<int>(lane)).c_str()));
        gimmicks = GimmickManager::instance();
    }

    void TearDown() override
    {
        ObjectRegistry::destroy();
        delete loop;
    }

    // One frame of the given length: the clock moves on, then the scene updates.
    void frame(std::uint32_t ms)
    {
        clock.advance(ms);
        loop->delta = ms;
        graph->update();
    }

    // Seeds the round so that the next launch picks this lane.
    void aimAt(int lane) const
    {
        unsigned seed = 1;
        while ((std::srand(seed), std::rand() % 4) != lane)
            ++seed;
        gimmicks->setRoundSeed(seed - gimmicks->getLaunches());
    }

    // Awards player 1 a missile and fires it into the given lane of player 2's field.
    Missile* fireAt(int lane)
    {
        const std::int8_t slot = gimmicks->award(1, GimmickManager::missileType);
        auto* missile = static_cast<Missile*>(gimmicks->getSlot(1, slot));
        aimAt(lane);
        EXPECT_TRUE(gimmicks->launch(1, slot));
        return missile;
    }

    // A press catching the missile at this height, as the arrow manager does it.
    static void missileCaughtAt(Missile* missile, float height)
    {
        missile->y = height;
        missile->hit(missile->quality());
    }

    // Frames of 10 ms until the missile has exploded (at most a minute).
    void flyUntilExploded(const Missile* missile)
    {
        for (int i = 0; i < 6000 && !missile->exploded; ++i)
            frame(10);
    }

    // Frames of 10 ms: player 2's lane stays hidden for `ms` from now, then shows.
    void expectLaneBlockedFor(int lane, std::uint32_t ms)
    {
        const std::uint32_t begin = clock.now();
        while (clock.now() - begin < ms) {
            EXPECT_TRUE(goals[lane]->isHiddenFor(2)) << "at " << clock.now() - begin << " ms";
            frame(10);
        }
        frame(10);
        EXPECT_FALSE(goals[lane]->isHiddenFor(2));
    }

    testsupport::ScratchDir scratch;
    platform::SimulatedClock clock{100000};
    testsupport::StandInMainLoop* loop = nullptr;
    ObjectGraph* graph = nullptr;
    GimmickManager* gimmicks = nullptr;
    std::array<GoalMarker*, 4> goals{};
};
