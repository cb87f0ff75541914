#include "DancerFixture.h"

#include "core/OutputHandler.h"
#include "scene/MeshManager.h"
#include "support/HiddenGlWindow.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class DancerModel : public DancerFixture {
protected:
    // The game's projection, so the dancer lands in view.
    void SetUp() override
    {
        ASSERT_TRUE(gl.ok()) << gl.error();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 1.0, 1.0, 100.0);
    }

    // The values the model sends to GL while the dancer draws.
    static GLint feedbackValues(Dancer& dancer)
    {
        std::vector<GLfloat> feedback(1 << 20);
        glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
        glRenderMode(GL_FEEDBACK);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glPushMatrix();
        dancer.draw();
        glPopMatrix();
        return glRenderMode(GL_RENDER);
    }

    testsupport::HiddenGlWindow gl;
};

} // namespace

TEST_F(DancerModel, AMissingModelIsReportedAndDrawsNothing)
{
    OutputHandler* log = OutputHandler::instance();
    ASSERT_TRUE(log->open());
    testing::internal::CaptureStderr();
    auto dancer = makeDancer();
    const std::string stderrText = testing::internal::GetCapturedStderr();
    log->close();

    EXPECT_FALSE(dancer->isModelLoaded());
    EXPECT_TRUE(dancer->getModel().empty());
    EXPECT_NE(stderrText.find("Couldn't open the model file."), std::string::npos) << stderrText;
    EXPECT_NE(testsupport::readFile(scratch.path() / "output.log")
                  .find("ERROR: Could not open ms3d file 'Data\\Animation\\male_dancer_1\\dancer.ms3d'. \n"),
        std::string::npos);

    // The game goes on: events are still consumed, nothing is drawn.
    dancer->addEvent(clock.now() - 1, '8');
    dancer->update();
    EXPECT_EQ(dancer->pendingEvents(), 0u);
    EXPECT_EQ(feedbackValues(*dancer), 0);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DancerModel, TheForgedDancerLoadsWithItsMovesAndTexture)
{
    linkGameData();
    new MeshManager();
    auto dancer = makeDancer();
    ASSERT_TRUE(dancer->isModelLoaded());

    const Model& model = dancer->getModel();
    EXPECT_FALSE(model.empty());
    ASSERT_EQ(model.materials().size(), 1u);
    ASSERT_FALSE(model.joints().empty());
    // The keyframes reach the end of the special move.
    float lastKeyMs = 0.0f;
    for (const Joint& joint : model.joints()) {
        for (const auto* keys : {&joint.m_rotationKeyframes, &joint.m_translationKeyframes}) {
            if (!keys->empty())
                lastKeyMs = std::max(lastKeyMs, keys->back().m_timeMs);
        }
    }
    EXPECT_GE(lastKeyMs, Dancer::specialMove.lastFrame * 1000.0f / model.fps() - 1.0f);

    const ModelMaterial& material = model.materials().front();
    EXPECT_EQ(material.m_textureFile, "Data\\Animation\\male_dancer_1/dancer.tga");
    EXPECT_GT(material.m_glTexture, 0) << "the texture loads through the mesh manager";

    EXPECT_GT(feedbackValues(*dancer), 0);
}
