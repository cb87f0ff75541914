#include "DancerFixture.h"

#include "app/Application.h"
#include "app/MainLoop.h"
#include "app/WindowRecord.h"
#include "flow/Match.h"
#include "platform/SystemClock.h"
#include "platform/Window.h"
#include "scene/ObjectGraph.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <optional>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;

using Point = std::array<GLfloat, 3>; // window x, y and depth

// The corners of every triangle the frame drew, from GL's feedback; nothing
// when anything but whole triangles came back.
std::optional<std::vector<Point>> triangleCorners(const std::vector<GLfloat>& feedback, GLint values)
{
    std::vector<Point> corners;
    for (GLint at = 0; at < values; at += 11) {
        if (static_cast<GLenum>(feedback[at]) != GL_POLYGON_TOKEN || feedback[at + 1] != 3.0f || at + 11 > values)
            return std::nullopt;
        for (int corner = 0; corner < 3; ++corner)
            corners.push_back({feedback[at + 2 + 3 * corner], feedback[at + 3 + 3 * corner], feedback[at + 4 + 3 * corner]});
    }
    return corners;
}

// Where the playfields lie in depth: arrows and goal markers are drawn in the
// plane of the frame's base matrix.
double playfieldDepth()
{
    GLdouble modelView[16];
    GLdouble projection[16];
    GLint viewport[4];
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glScalef(0.5f, 0.5f, 0.5f);
    glTranslatef(0.0f, 0.0f, -14.0f);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glPopMatrix();
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble x = 0, y = 0, z = 0;
    gluProject(0, 0, 0, modelView, projection, viewport, &x, &y, &z);
    return z;
}

// The game's main loop on a 1024 x 768 window in the game screen, with every
// node but a test dancer (on the simulated clock) switched off.
class DancerFrames : public DancerFixture {
protected:
    void SetUp() override
    {
        linkGameData();
        fs::create_directory_symlink(fs::path(FLAREVOX_RUN_DIR) / "Conf", scratch.path() / "Conf");
        ASSERT_TRUE(platform::Window::startVideo());
        record.keyStates = keys.data();
        record.window = platform::Window::create({"Flarevox Dancer", screenWidth, screenHeight, 32, false, true});
        ASSERT_NE(record.window, nullptr);
        Application::resizeViewport(screenWidth, screenHeight);
        loop = new MainLoop();
        ASSERT_TRUE(loop->initialize(&record, keys.data()));
        loop->getMatch().onPlayerAction(1, 5, platform::SystemClock::tickCount(), true);
    }

    void TearDown() override
    {
        delete loop;
        record.window.reset();
        platform::Window::stopVideo();
    }

    KeyStates keys{};
    WindowRecord record;
    MainLoop* loop = nullptr;
};

} // namespace

// Each move, halfway through on the model's sped-up clock, draws every
// triangle that faces the camera on screen behind the playfields.
TEST_F(DancerFrames, EveryMoveStandsWhollyVisibleBehindThePlayfields)
{
    ObjectGraph* graph = ObjectGraph::find();
    for (ObjectNode* node : graph->findNode("")->getChildren())
        node->setActive(false);
    Dancer* dancer = makeDancer().release();
    graph->addNode(dancer, "Dancer");
    ASSERT_TRUE(dancer->isModelLoaded());
    EXPECT_GT(dancer->getModel().materials().at(0).m_glTexture, 0) << "the texture loads through the mesh manager";
    const Model& model = dancer->getModel();
    std::size_t drawnTriangles = 0;
    for (const ModelGroup& group : model.groups())
        drawnTriangles += group.m_triangleList.size();
    const double playfield = playfieldDepth();

    const std::tuple<const char*, char, bool> shots[] = {
        {"up", '8', false}, {"left", '4', false}, {"down", '2', false}, {"right", '6', false}, {"special", '8', true}};
    for (const auto& [name, step, special] : shots) {
        SCOPED_TRACE(name);
        seedSpecial(special);
        dancer->addEvent(clock.now() - 1, step);
        dancer->update();
        const double moveMs = (model.lastFrame() - model.firstFrame()) * 1000.0 / model.fps();
        clock.advance(static_cast<std::uint32_t>(moveMs / Model::playbackSpeed / 2));

        std::vector<GLfloat> feedback(1 << 21);
        glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
        glRenderMode(GL_FEEDBACK);
        loop->draw();
        const auto corners = triangleCorners(feedback, glRenderMode(GL_RENDER));
        ASSERT_TRUE(corners) << "a triangle was clipped by the screen edge";
        // The figure's back faces are culled: about half of its triangles
        // face the camera, and those must all be on screen.
        EXPECT_LT(corners->size(), 3 * drawnTriangles * 2 / 3);
        EXPECT_GT(corners->size(), 3 * drawnTriangles / 3);
        for (const Point& p : *corners) {
            ASSERT_TRUE(p[0] > 1.0f && p[0] < screenWidth - 1.0f && p[1] > 1.0f && p[1] < screenHeight - 1.0f);
            ASSERT_GT(p[2], playfield);
        }
    }
}
