#include "EffectsFixture.h"

#include "fx/AnimatedSprite.h"
#include "fx/SpecialFX.h"
#include "scene/MeshManager.h"
#include "support/GlContext.h"

#include <GL/gl.h>

#include <cstdlib>
#include <vector>

namespace {

// One vertex as feedback mode reports it: window position, colour, texture.
struct FedVertex {
    float x, y;
    float r, g, b, a;
    float s, t;
};
using Triangle = std::vector<FedVertex>;

constexpr const char* explosionPrefix = "Data/Textures/ParticleSystem/Explosion3/ex";

// The swarm's colour after `draws` flicker steps from the generator seeded with `seed`.
Vector3 flickered(Vector3 colour, unsigned seed, int draws)
{
    std::srand(seed);
    float* channels[] = {&colour.x, &colour.y, &colour.z};
    for (int i = 0; i < draws; ++i) {
        const int k = std::rand() % 6;
        const float step = static_cast<float>(std::rand() % 10 - 3) / 10.0f;
        if (k >= 1 && k <= 3)
            *channels[k - 1] = *channels[k - 1] > 1.0f ? 0.0f : *channels[k - 1] + step;
    }
    return colour;
}

} // namespace

// A 64x64 context with a pixel-exact orthographic view: window position =
// scene position + 32, so node placement can be read from feedback.
class EffectsDrawingTest : public EffectsFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl.isValid()) << "needs an X server (xvfb-run -a)";
        glViewport(0, 0, 64, 64);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-32, 32, -32, 32, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
    }

    // Draws the node with the frame's base matrix (identity) on the stack
    // and returns the triangles it produced, in order.
    template <typename Node>
    std::vector<Triangle> feedback(Node& node)
    {
        std::vector<GLfloat> buffer(1 << 16);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
        glRenderMode(GL_FEEDBACK);
        glLoadIdentity();
        glPushMatrix();
        node.draw();
        glPopMatrix();
        const GLint used = glRenderMode(GL_RENDER);
        std::vector<Triangle> triangles;
        for (GLint i = 0; i < used;) {
            const auto token = static_cast<GLint>(buffer[i++]);
            if (token != GL_POLYGON_TOKEN) {
                ADD_FAILURE() << "unexpected feedback token " << token;
                break;
            }
            const auto count = static_cast<int>(buffer[i++]);
            Triangle triangle;
            for (int v = 0; v < count; ++v, i += 11)
                triangle.push_back({buffer[i], buffer[i + 1], buffer[i + 3], buffer[i + 4], buffer[i + 5],
                                    buffer[i + 6], buffer[i + 7], buffer[i + 8]});
            triangles.push_back(triangle);
        }
        return triangles;
    }

    // The two triangles of a square of half-size h centred at window (cx, cy).
    static void expectSquare(const Triangle& first, const Triangle& second, float cx, float cy, float h)
    {
        ASSERT_EQ(first.size(), 3u);
        ASSERT_EQ(second.size(), 3u);
        const float expected[6][4] = {{-h, h, 0.1f, 0.1f}, {h, h, 0.9f, 0.1f},   {h, -h, 0.9f, 0.9f},
                                      {h, -h, 0.9f, 0.9f}, {-h, -h, 0.1f, 0.9f}, {-h, h, 0.1f, 0.1f}};
        for (int v = 0; v < 6; ++v) {
            const FedVertex& vertex = v < 3 ? first[v] : second[v - 3];
            EXPECT_NEAR(vertex.x, cx + expected[v][0], 1e-3f) << "vertex " << v;
            EXPECT_NEAR(vertex.y, cy + expected[v][1], 1e-3f) << "vertex " << v;
            EXPECT_NEAR(vertex.s, expected[v][2], 1e-5f);
            EXPECT_NEAR(vertex.t, expected[v][3], 1e-5f);
        }
    }

    testsupport::GlContext gl;
};

// The swarm grows by one particle a frame up to its configured count.
TEST_F(EffectsDrawingTest, SwarmDrawsParticlesInReleaseOrderWithTheDriftingColour)
{
    configure("MaxParticels = 3\n");
    SpecialFX swarm("TestPart");
    for (int i = 1; i <= 5; ++i) {
        frame(swarm, 0);
        ASSERT_EQ(swarm.getParticles().size(), std::min(i, 3));
    }
    const auto& particles = swarm.getParticles();
    std::srand(4242);
    const auto triangles = feedback(swarm);
    ASSERT_EQ(triangles.size(), 6u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        // The centre frame sits 9 units back; the orthographic view ignores depth.
        expectSquare(triangles[2 * i], triangles[2 * i + 1], 32 + particles[i].position.x,
                     32 + particles[i].position.y, 0.2f);
        const Vector3 colour = flickered({0.5f, 0.0f, 0.0f}, 4242, i + 1);
        for (const FedVertex& vertex : triangles[2 * i]) {
            EXPECT_NEAR(vertex.r, std::clamp(colour.x, 0.0f, 1.0f), 1e-3f);
            EXPECT_NEAR(vertex.g, std::clamp(colour.y, 0.0f, 1.0f), 1e-3f);
            EXPECT_NEAR(vertex.b, 0.9f, 1e-3f);
            EXPECT_NEAR(vertex.a, 0.1f, 1e-3f);
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // A channel at full still drifts, one above full goes dark.
    const Vector3 bright{1.0f, 1.01f, 0.25f};
    for (unsigned seed = 1; seed <= 10; ++seed) {
        swarm.setColor(bright.x, bright.y, bright.z);
        std::srand(seed);
        feedback(swarm);
        EXPECT_EQ(swarm.getColor(), flickered(bright, seed, 3)) << "seed " << seed;
    }
}

TEST_F(EffectsDrawingTest, SpriteDrawsItsCurrentFrameFromTheCacheAtItsSidePlace)
{
    fxtest::writeFrames(scratch, explosionPrefix, 7);
    new MeshManager();
    AnimatedSprite sprite("Disco1", ObjectNode::SidePlayer1, explosionPrefix, 4, false);
    const auto& names = sprite.getFrameTextures();
    EXPECT_TRUE(names[15] != 0 && names[7] == 0) << "a missing frame draws untextured";
    sprite.x = 3.0f;
    sprite.y = -2.0f;
    clock.advance(500);
    sprite.update();
    const auto triangles = feedback(sprite);
    ASSERT_EQ(triangles.size(), 2u);
    expectSquare(triangles[0], triangles[1], 32 - 2.5f + 3.0f, 32 - 2.0f, 4.0f);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<std::uint32_t>(bound), names[15]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
