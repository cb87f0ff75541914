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

// Panels at the outer edges behind the fields, icons in a column per player
// at a fifth of their size, slot 0 on top; all fixed to the screen, not to
// the frame's base matrix; drawing restores the scene's state.
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
        }), (std::string(place.node) + "\\Probe").c_str());
    }
    gimmicks->awardReached(5000, 0);
    graph->update();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -50.0f);
    glPushMatrix();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    graph->draw();
    glPopMatrix();
    EXPECT_EQ(probed, std::size(places));
    // Drawing restores the scene's state.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (const GLenum capability : {GL_LIGHTING, GL_DEPTH_TEST, GL_BLEND})
        EXPECT_TRUE(glIsEnabled(capability)) << capability;
}

} // namespace
