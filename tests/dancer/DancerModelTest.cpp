#include "DancerFixture.h"

#include "core/OutputHandler.h"
#include "support/HiddenGlWindow.h"

#include <GL/gl.h>

#include <string>
#include <vector>

using DancerModel = DancerFixture;

// The game goes on without the model: events are still consumed and the
// dancer draws nothing, leaving GL as it was.
TEST_F(DancerModel, AMissingModelIsReportedAndDrawsNothing)
{
    testsupport::HiddenGlWindow gl;
    ASSERT_TRUE(gl.ok()) << gl.error();
    OutputHandler* log = OutputHandler::instance();
    ASSERT_TRUE(log->open());
    auto dancer = makeDancer();
    log->close();
    EXPECT_FALSE(dancer->isModelLoaded());
    EXPECT_NE(testsupport::readFile(scratch.path() / "output.log")
                  .find("ERROR: Could not open ms3d file 'Data\\Animation\\male_dancer_1\\dancer.ms3d'. \n"),
        std::string::npos);

    dancer->addEvent(clock.now() - 1, '8');
    dancer->update();
    EXPECT_EQ(dancer->pendingEvents(), 0u);
    std::vector<GLfloat> feedback(1024);
    glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    dancer->draw();
    glPopMatrix();
    EXPECT_EQ(glRenderMode(GL_RENDER), 0);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
