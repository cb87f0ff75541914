#include "DancerFixture.h"

#include "app/Application.h"
#include "app/FrameCapture.h"
#include "app/MainLoop.h"
#include "app/WindowRecord.h"
#include "platform/Window.h"
#include "scene/ObjectGraph.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;

struct Point {
    float x, y, depth;
};

// The corners of every triangle the frame drew, from GL's feedback; empty
// when anything but whole triangles came back.
struct FrameGeometry {
    std::vector<Point> corners;
    std::size_t triangles = 0;
    bool onlyTriangles = true;
};

FrameGeometry parseFeedback(const std::vector<GLfloat>& feedback, GLint values)
{
    FrameGeometry geometry;
    for (GLint at = 0; at < values;) {
        const auto token = static_cast<GLenum>(feedback[at]);
        const int count = static_cast<int>(feedback[at + 1]);
        if (token != GL_POLYGON_TOKEN || count != 3 || at + 2 + 3 * count > values) {
            geometry.onlyTriangles = false;
            break;
        }
        for (int corner = 0; corner < count; ++corner) {
            const GLfloat* v = &feedback[at + 2 + 3 * corner];
            geometry.corners.push_back({v[0], v[1], v[2]});
        }
        ++geometry.triangles;
        at += 2 + 3 * count;
    }
    return geometry;
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
        loop->setStarted(1);
    }

    void TearDown() override
    {
        delete loop;
        record.window.reset();
        platform::Window::stopVideo();
    }

    Dancer* soloDancer()
    {
        ObjectGraph* graph = ObjectGraph::find();
        for (ObjectNode* node : graph->findNode("")->getChildren())
            node->setActive(false);
        Dancer* dancer = makeDancer().release();
        graph->addNode(dancer, "Dancer");
        return dancer;
    }

    FrameGeometry drawFeedback()
    {
        std::vector<GLfloat> feedback(1 << 21);
        glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
        glRenderMode(GL_FEEDBACK);
        loop->draw();
        return parseFeedback(feedback, glRenderMode(GL_RENDER));
    }

    // Draws the frame and keeps it as a PNG beside the build's other previews.
    void capture(const std::string& name)
    {
        loop->draw();
        const fs::path folder = fs::path(FLAREVOX_RUN_DIR).parent_path() / "previews" / "dancer-game";
        fs::create_directories(folder);
        const std::string ppm = (folder / (name + ".ppm")).string();
        ASSERT_TRUE(FrameCapture::writeBackBuffer(ppm));
        const std::string png = (folder / (name + ".png")).string();
        if (std::system(("convert '" + ppm + "' '" + png + "' 2>/dev/null").c_str()) == 0)
            fs::remove(ppm);
    }

    KeyStates keys{};
    WindowRecord record;
    MainLoop* loop = nullptr;
};

// Seeds the generator so that the next draw does (or does not) pick the special move.
void seedForSpecial(bool special)
{
    for (unsigned seed = 1;; ++seed) {
        std::srand(seed);
        if ((std::rand() % Dancer::specialOdds == 1) == special) {
            std::srand(seed);
            return;
        }
    }
}

struct MoveShot {
    const char* name;
    char step;
    bool special;
};

} // namespace

TEST_F(DancerFrames, EveryMoveStandsWhollyVisibleBehindThePlayfields)
{
    Dancer* dancer = soloDancer();
    const Model& model = dancer->getModel();
    std::size_t drawnTriangles = 0;
    for (const ModelGroup& group : model.groups())
        drawnTriangles += group.m_triangleList.size();
    const double playfield = playfieldDepth();

    const MoveShot shots[] = {{"up", '8', false}, {"left", '4', false}, {"down", '2', false},
        {"right", '6', false}, {"special", '8', true}};
    std::vector<std::vector<Point>> poses;
    for (const MoveShot& shot : shots) {
        seedForSpecial(shot.special);
        dancer->addEvent(clock.now() - 1, shot.step);
        dancer->update();
        // Halfway through the move, on the model's sped-up clock.
        const double moveMs = (model.lastFrame() - model.firstFrame()) * 1000.0 / model.fps();
        clock.advance(static_cast<std::uint32_t>(moveMs / Model::playbackSpeed / 2));

        const FrameGeometry frame = drawFeedback();
        ASSERT_TRUE(frame.onlyTriangles) << shot.name << ": a triangle was clipped by the screen edge";
        EXPECT_EQ(frame.triangles, drawnTriangles) << shot.name;
        for (const Point& p : frame.corners) {
            ASSERT_GT(p.x, 1.0f) << shot.name;
            ASSERT_LT(p.x, screenWidth - 1.0f) << shot.name;
            ASSERT_GT(p.y, 1.0f) << shot.name;
            ASSERT_LT(p.y, screenHeight - 1.0f) << shot.name;
            ASSERT_GT(p.depth, playfield) << shot.name;
        }
        poses.push_back(frame.corners);
        capture(shot.name);
    }

    // It dances: every move's pose differs visibly from the others ('2' and
    // '6' share one move).
    auto largestShift = [](const std::vector<Point>& a, const std::vector<Point>& b) {
        float shift = 0.0f;
        for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
            shift = std::max({shift, std::abs(a[i].x - b[i].x), std::abs(a[i].y - b[i].y)});
        return shift;
    };
    EXPECT_GT(largestShift(poses[0], poses[1]), 10.0f);
    EXPECT_GT(largestShift(poses[1], poses[2]), 10.0f);
    EXPECT_LT(largestShift(poses[2], poses[3]), 0.5f);
    EXPECT_GT(largestShift(poses[0], poses[4]), 10.0f);
}
