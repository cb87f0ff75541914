#include "EffectsFixture.h"

#include "fx/AnimatedSprite.h"

using SpriteTest = EffectsFixture;

TEST_F(SpriteTest, LoopingSpriteStepsThirtyFramesPerSecondAndRestartsFromThatTick)
{
    AnimatedSprite sprite("Disco1", ObjectNode::SideCentre, "disco", 1, true);
    for (const auto& [elapsed, expected] : {std::pair{33u, 0}, {34u, 1}, {500u, 15}, {700u, 21}, {999u, 29}}) {
        clock.set(start + elapsed);
        sprite.update();
        EXPECT_EQ(sprite.getFrame(), expected) << elapsed << " ms";
    }
    clock.set(start + 1000);
    sprite.update();
    EXPECT_EQ(sprite.getFrame(), 0);
    EXPECT_EQ(sprite.getStartTick(), start + 1000);

    // A long stall restarts at once; counting survives the tick counter's wrap.
    clock.set(0xFFFFFF00u);
    sprite.update();
    EXPECT_EQ(sprite.getStartTick(), 0xFFFFFF00u);
    clock.set(0xFFFFFF00u + 500u);
    sprite.update();
    EXPECT_EQ(sprite.getFrame(), 15);
    EXPECT_TRUE(sprite.isActive());
}

TEST_F(SpriteTest, OneShotSpriteHidesForItsSideAndKeepsTheLastFrame)
{
    AnimatedSprite hit("Disco1", ObjectNode::SidePlayer2, "ex", 4, false);
    AnimatedSprite centre("Disco1", ObjectNode::SideCentre, "ex", 4, false);
    clock.set(start + 999);
    hit.update();
    EXPECT_TRUE(hit.isActive());

    clock.set(start + 1000);
    hit.update();
    centre.update();
    EXPECT_FALSE(hit.isActive());
    EXPECT_EQ(hit.getFrame(), 29);
    EXPECT_EQ(hit.side, ObjectNode::SidePlayer2);
    // No player's half to take away from a centre sprite: it stays on frame 29.
    EXPECT_TRUE(centre.isActive());
    EXPECT_EQ(centre.getFrame(), 29);
}
