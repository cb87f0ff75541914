#include "BattleFixture.h"

#include "fx/Text.h"
#include "game/Player.h"
#include "game/SGMissle.h"
#include "game/Sidebar.h"
#include "support/DrawProbe.h"
#include "support/GlContext.h"

#include <GL/gl.h>

namespace {

class SidebarTest : public BattleFixture {
protected:
    void SetUp() override
    {
        BattleFixture::SetUp();
        ASSERT_TRUE(gl.isValid());
        one.setNumber(1);
        two.setNumber(2);
    }

    testsupport::GlContext gl;
    Player one;
    Player two;
};

TEST_F(SidebarTest, PointsAreRightAlignedInFiveCharacters)
{
    auto* left = new Sidebar("sidebar_p1", &one);
    EXPECT_EQ(graph->findNode("sb_P1Points"), left->getPointsText());

    graph->update();
    EXPECT_EQ(left->getPointsText()->getText(), "    0");
    one.addPoints(4250);
    graph->update();
    EXPECT_EQ(left->getPointsText()->getText(), " 4250");
    one.addPoints(120000);
    graph->update();
    EXPECT_EQ(left->getPointsText()->getText(), "124250");
}

TEST_F(SidebarTest, EachSidebarFillsOnlyItsOwnPlayersIcons)
{
    auto* left = new Sidebar("sidebar_p1", &one);
    auto* right = new Sidebar("sidebar_p2", &two);
    EXPECT_EQ(graph->findNode("sb_P2Points"), right->getPointsText());
    for (int i = 0; i < 8; ++i) {
        const bool ownRow = i < 4;
        ASSERT_EQ(left->getIcons()[i] != nullptr, ownRow) << "entry " << i;
        ASSERT_EQ(right->getIcons()[i] != nullptr, !ownRow) << "entry " << i;
    }
    const SGMissle* icon = right->getIcons()[7];
    EXPECT_STREQ(icon->getNodeName(), "SGMissle_1_3");
    EXPECT_EQ(graph->findNode("SGMissle_1_3"), icon);
    EXPECT_EQ(icon->side, ObjectNode::SideCentre);
    EXPECT_FALSE(icon->isLit());
}

TEST_F(SidebarTest, IconsLightWhileTheirSlotHoldsAMissile)
{
    auto* right = new Sidebar("sidebar_p2", &two);
    const auto lit = [&] {
        std::string states;
        for (int slot = 0; slot < 4; ++slot)
            states += right->getIcons()[4 + slot]->isLit() ? '1' : '0';
        return states;
    };
    graph->update();
    EXPECT_EQ(lit(), "0000");

    gimmicks->awardReached(0, 12000);
    graph->update();
    EXPECT_EQ(lit(), "1100");

    gimmicks->launch(2, 0);
    graph->update();
    EXPECT_EQ(lit(), "0100");

    // Player 1's awards never light player 2's icons.
    gimmicks->awardReached(20000, 12000);
    graph->update();
    EXPECT_EQ(lit(), "0100");
}

// Panels at the outer edges behind the fields, icons in a column per player
// at a fifth of their size, slot 0 on top; all fixed to the screen, not to
// the frame's base matrix.
TEST_F(SidebarTest, PanelsAndIconsStandWhereTheyBelong)
{
    new Sidebar("sidebar_p1", &one);
    new Sidebar("sidebar_p2", &two);
    struct Place { const char* node; float x, y, z, scale; };
    const Place places[] = {{"sidebar_p1", -9.5f, 2.0f, -19.0f, 1.0f},     {"sidebar_p2", 9.5f, 2.0f, -19.0f, 1.0f},
                            {"SGMissle_0_0", -4.5f, 1.55f, -9.0f, 0.2f},  {"SGMissle_0_3", -4.5f, 0.35f, -9.0f, 0.2f},
                            {"SGMissle_1_1", 4.5f, 1.15f, -9.0f, 0.2f}};
    std::size_t probed = 0;
    for (const Place& place : places) {
        graph->addNode(new DrawProbe(ObjectNode::SideCentre, [place, &probed](const DrawProbe&) {
            ++probed;
            const auto matrix = DrawProbe::floats<16>(GL_MODELVIEW_MATRIX);
            EXPECT_NEAR(matrix[12], place.x, 1e-5f) << place.node;
            EXPECT_NEAR(matrix[13], place.y, 1e-5f) << place.node;
            EXPECT_NEAR(matrix[14], place.z, 1e-5f) << place.node;
            EXPECT_NEAR(matrix[0], place.scale, 1e-6f) << place.node;
            EXPECT_NEAR(matrix[5], place.scale, 1e-6f) << place.node;
        }), (std::string(place.node) + "\\Probe").c_str());
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -50.0f);
    glPushMatrix();
    graph->draw();
    glPopMatrix();
    EXPECT_EQ(probed, std::size(places));
}

TEST_F(SidebarTest, DrawingRestoresTheSceneState)
{
    new Sidebar("sidebar_p1", &one);
    new Sidebar("sidebar_p2", &two);
    gimmicks->awardReached(5000, 0);
    graph->update();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    graph->draw();
    glPopMatrix();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

} // namespace
