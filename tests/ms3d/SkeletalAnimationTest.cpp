#include "Ms3dSample.h"

#include "core/Win32Timer.h"
#include "platform/SimulatedClock.h"
#include "scene/Matrix4.h"
#include "scene/Ms3dModel.h"
#include "scene/Vector4.h"
#include "support/HiddenGlWindow.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numbers>
#include <utility>
#include <vector>

namespace {

constexpr float halfPi = std::numbers::pi_v<float> / 2;

Matrix4 rotated(const Vec3& angles, const Vec3& translation = {0, 0, 0})
{
    Matrix4 m;
    m.setTranslationPart(translation);
    m.setEulerRotation(angles);
    return m;
}

Matrix4 product(Matrix4 a, const Matrix4& b)
{
    a.multiplyBy(b);
    return a;
}

std::array<float, 16> elements(const Matrix4& m)
{
    std::array<float, 16> values{};
    std::copy(m.data(), m.data() + 16, values.begin());
    return values;
}

void expectNear(const Vector4& v, const Vec3& expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, expected[0], tolerance);
    EXPECT_NEAR(v.y, expected[1], tolerance);
    EXPECT_NEAR(v.z, expected[2], tolerance);
}

// A model on a simulated millisecond clock.
struct AnimatedModel {
    explicit AnimatedModel(const Ms3d::Model& file)
    {
        model.setTextureLookup([](const std::string&) { return 5u; });
        EXPECT_TRUE(model.loadFromBuffer(Ms3d::encode(file), "m.ms3d"));
    }

    Vector4 vertexAt(std::size_t index) const { return model.posedPosition(model.vertices()[index]); }
    Vector4 at(int timeMs, int lastFrame = 1000)
    {
        model.setFrames(timeMs, lastFrame);
        model.advanceAnimation();
        return vertexAt(0);
    }

    platform::SimulatedClock clock;
    Ms3dModel model{std::make_unique<Win32Timer>(Win32Timer::Mode::Milliseconds)};
};

// A model at 1000 frames per second, so a range's first frame sets the
// animation time to the millisecond: one triangle over these vertices with
// these corner normals, and these joints.
Ms3d::Model skeleton(std::vector<Ms3d::Vertex> vertices, std::array<std::uint16_t, 3> indices,
                     std::array<Vec3, 3> normals, std::vector<Ms3d::Joint> joints)
{
    Ms3d::Model b;
    b.fps = 1000.0f;
    b.vertices = std::move(vertices);
    b.triangles = {{.indices = indices, .normals = normals}};
    b.joints = std::move(joints);
    return b;
}

// One joint at the origin moved by translation keys at 100 ms (1,0,0) and
// 200 ms (3,0,0), a child joint one up that only holds still, and an
// unattached vertex (1) under the triangle.
Ms3d::Model translatedJoint()
{
    return skeleton({{0, {0, 0, 0}, 0}, {0, {1, 2, 3}}, {0, {0, 1, 0}, 1}}, {1, 1, 1},
                    {Vec3{0, 0, 2}, Vec3{0, 0, 2}, Vec3{0, 0, 2}},
                    {joint("Root", "", {}, {}, {{0.1f, {1, 0, 0}}, {0.2f, {3, 0, 0}}}),
                     joint("Arm", "ROOT", {0, 1, 0}, {{0.0f, {0, 0, 0}}}, {})});
}

using Rgba = std::array<GLfloat, 4>;
const std::pair<GLenum, Rgba> colours[] = {{GL_AMBIENT, {0.1f, 0.15f, 0.2f, 0.25f}},
    {GL_DIFFUSE, {0.5f, 0.55f, 0.6f, 0.65f}}, {GL_SPECULAR, {0.7f, 0.75f, 0.8f, 0.85f}},
    {GL_EMISSION, {0.3f, 0.35f, 0.4f, 0.45f}}, {GL_SHININESS, {4.0f, 0, 0, 0}}};

// One triangle drawn twice: by a textured group and by a group without
// material. Vertex 0 follows a joint held at (0.25, 0.25, 0); the others
// have no bone.
Ms3d::Model twoGroups()
{
    Ms3d::Model b = skeleton({{0, {0, 0, 0}, 0}, {0, {0.5f, 0, 0}}, {0, {0, 0.5f, 0}}}, {0, 1, 2},
        {Vec3{0, 0, 1}, Vec3{0, 0, 1}, Vec3{0, 0, 1}}, {joint("Root", "", {}, {}, {{0.0f, {0.25f, 0.25f, 0}}})});
    b.materials = {{.name = {}, .ambient = colours[0].second, .diffuse = colours[1].second, .specular = colours[2].second,
        .emissive = colours[3].second, .shininess = colours[4].second[0], .texture = "skin.tga", .alphaMap = {}}};
    b.groups = {{.name = {}, .triangles = {0}, .material = 0}, {.name = {}, .triangles = {0}}};
    return b;
}

// The model is drawn in a fresh context: a 64 x 64 viewport, identity matrices.
class ModelDrawTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.ok()) << gl.error(); }

    testsupport::HiddenGlWindow gl;
    AnimatedModel drawn{twoGroups()};
    Ms3dModel& model = drawn.model;
};

} // namespace

// a: 90 degrees about z, then moved by (1, 2, 3); b: moved by (4, 5, 6).
TEST(Matrix4, RotationsAndProductsAgainstHandComputedMatrices)
{
    const Matrix4 a = rotated({0, 0, halfPi}, {1, 2, 3});
    const Matrix4 b = rotated({0, 0, 0}, {4, 5, 6});
    const std::pair<Matrix4, std::array<float, 16>> cases[] = {
        {rotated({halfPi, 0, 0}), {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1}},
        {rotated({0, halfPi, 0}), {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}},
        {rotated({0, 0, halfPi}), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
        {product(a, b), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, -4, 6, 9, 1}},
        {product(b, a), {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 7, 9, 1}},
        // Euler angles turn about z, then y, then x, keeping the translation.
        {rotated({0.3f, -0.5f, 1.1f}, {7, 8, 9}),
         elements(product(product(rotated({0, 0, 1.1f}, {7, 8, 9}), rotated({0, -0.5f, 0})), rotated({0.3f, 0, 0})))},
    };
    for (std::size_t c = 0; c < std::size(cases); ++c)
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(cases[c].first[i], cases[c].second[i], 1e-6f) << "case " << c << " element " << i;
}

// The child follows its animated parent; the unattached vertex is neither
// moved nor its normal normalised.
TEST(SkeletalAnimation, InterpolatesBetweenAndClampsOutsideTheKeyframes)
{
    const std::pair<int, float> cases[] = {{0, 1}, {50, 1}, {100, 1}, {150, 2}, {175, 2.5f}, {200, 3}, {900, 3}};
    for (const auto& [timeMs, x] : cases) {
        SCOPED_TRACE(timeMs);
        AnimatedModel a(translatedJoint());
        expectNear(a.at(timeMs), {x, 0, 0});
        expectNear(a.vertexAt(2), {x, 1, 0});
        const Vector4 unattached = a.vertexAt(1);
        expectNear(unattached, {1, 2, 3});
        EXPECT_EQ(unattached.w, 1.0f);
        expectNear(a.model.posedNormal(a.model.triangles()[0], 0), {0, 0, 2});
    }
}

TEST(SkeletalAnimation, TimeRunsAtThePlaybackFactorFromTheRangeStart)
{
    AnimatedModel a(translatedJoint());
    a.model.setFrames(100, 1000);
    a.clock.advance(20); // 100 + 20 x 4.0666 = 181.332 ms
    a.model.advanceAnimation();
    expectNear(a.vertexAt(0), {1 + 2 * 0.81332f, 0, 0}, 1e-4f);
    a.clock.advance(30);
    SCOPED_TRACE("a new range, even an earlier one, restarts the clock at once");
    expectNear(a.at(150), {2, 0, 0});
}

TEST(SkeletalAnimation, LoopingRestartsWhileNotLoopingHoldsTheLastPose)
{
    Ms3d::Model b = translatedJoint();
    b.joints[0].translationKeys = {{0.0f, {0, 0, 0}}, {0.1f, {10, 0, 0}}};
    // 30 ticks are 122 ms of animation, past the end; 10 more are 40.666 ms.
    for (const auto& [looping, afterEnd, later] : {std::tuple{true, 0.0f, 4.0666f}, std::tuple{false, 10.0f, 10.0f}}) {
        SCOPED_TRACE(looping);
        AnimatedModel a(b);
        a.model.setLooping(looping);
        a.model.setFrames(0, 100);
        a.clock.advance(30);
        a.model.advanceAnimation();
        expectNear(a.vertexAt(0), {afterEnd, 0, 0});
        a.clock.advance(10);
        a.model.advanceAnimation();
        expectNear(a.vertexAt(0), {later, 0, 0}, 1e-4f);
    }
}

TEST(SkeletalAnimation, JointWithOnlyRotationKeysTurnsAboutItsRestPosition)
{
    AnimatedModel a(skeleton({{0, {1, 0, 5}, 0}}, {}, {Vec3{2, 0, 0}, Vec3{2, 0, 0}, Vec3{2, 0, 0}},
                             {joint("Root", "", {0, 0, 5}, {{0.0f, {0, 0, 0}}, {1.0f, {0, 0, halfPi}}}, {})}));
    expectNear(a.at(0, 2000), {1, 0, 5});
    expectNear(a.at(1000, 2000), {0, 1, 5});
    expectNear(a.model.posedNormal(a.model.triangles()[0], 0), {0, 1, 0});
}

// Loading takes each joint's bind pose off its vertices and normals; the rest
// pose, through keys that change nothing, puts them back as the file has
// them, normalised (a zero normal stays zero).
TEST(SkeletalAnimation, RestPoseGivesBackTheFilesVerticesAndNormals)
{
    Ms3d::Model b = skeleton({{0, {1, 2, 3}, 1}}, {}, {Vec3{0, 0, 2}, Vec3{3, 0, 4}, Vec3{0, 0, 0}},
        {joint("Root", "", {7, 8, 9}, {}, {}), joint("Arm", "Root", {-1, 0.5f, 2}, {{0.0f, {0, 0, 0}}}, {})});
    b.joints[0].rotation = {0.3f, -0.5f, 1.1f};
    b.joints[1].rotation = {-0.7f, 0.2f, 0.4f};
    AnimatedModel a(b);
    expectNear(a.at(0), {1, 2, 3}, 1e-4f);
    const Vec3 normals[] = {{0, 0, 1}, {0.6f, 0, 0.8f}, {0, 0, 0}};
    for (int corner = 0; corner < 3; ++corner)
        expectNear(a.model.posedNormal(a.model.triangles()[0], corner), normals[corner]);
}

TEST_F(ModelDrawTest, DrawsSkinnedAndUnattachedVerticesWhereTheyBelong)
{
    std::vector<GLfloat> feedback(64);
    glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    model.draw();
    ASSERT_EQ(glRenderMode(GL_RENDER), 2 * 11) << "two groups of one triangle each";

    // Window coordinates on a 64 x 64 viewport: x = (x + 1) x 32.
    const float expected[3][2] = {{40, 40}, {48, 32}, {32, 48}};
    for (int triangle = 0; triangle < 2; ++triangle) {
        const GLfloat* polygon = feedback.data() + triangle * 11;
        EXPECT_EQ(polygon[0], static_cast<GLfloat>(GL_POLYGON_TOKEN));
        ASSERT_EQ(polygon[1], 3.0f);
        for (int corner = 0; corner < 3; ++corner) {
            EXPECT_NEAR(polygon[2 + corner * 3], expected[corner][0], 1e-3f) << triangle << "/" << corner;
            EXPECT_NEAR(polygon[3 + corner * 3], expected[corner][1], 1e-3f) << triangle << "/" << corner;
        }
    }
}
