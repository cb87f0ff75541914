#include "BattleFixture.h"

#include "fx/Text.h"
#include "game/Player.h"
#include "game/SGMissle.h"
#include "game/Sidebar.h"
#include "support/DrawProbe.h"
#include "support/HiddenGlWindow.h"

#include <GL/gl.h>

namespace {

class SidebarTest : public BattleFixture {
protected:
    void SetUp() override
    {
        BattleFixture::SetUp();
        ASSERT_TRUE(gl.ok());
        one.setNumber(1);
        two.setNumber(2);
    }

    testsupport::HiddenGlWindow gl;
    Player one;
    Player two;
};

// Each sidebar shows its own player's points, right-aligned in five
// characters, and its own row of icons, lit while their slot holds a missile.
TEST_F(SidebarTest, EachSidebarShowsItsPlayersPointsAndLitSlots)
{
    auto* left = new Sidebar("sidebar_p1", &one);
    auto* right = new Sidebar("sidebar_p2", &two);
    ASSERT_NE(right->getIcons()[7], nullptr);
    const auto shown = [&] {
        graph->update();
        std::string states = left->getPointsText()->getText() + "|";
        for (int slot = 0; slot < 4; ++slot)
            states += right->getIcons()[4 + slot]->isLit() ? '1' : '0';
        return states;
    };
    EXPECT_EQ(shown(), "    0|0000");
    one.addPoints(4250);
    gimmicks->awardReached(0, 12000);
    EXPECT_EQ(shown(), " 4250|1100");
    gimmicks->launch(2, 0);
    EXPECT_EQ(shown(), " 4250|0100");
    // Player 1's awards never light player 2's icons.
    one.addPoints(120000);
    gimmicks->awardReached(20000, 12000);
    EXPECT_EQ(shown(), "124250|0100");
}

} // namespace
