#include "Ms3dSample.h"

#include "core/Win32Timer.h"
#include "platform/SimulatedClock.h"
#include "scene/Matrix4.h"
#include "scene/Ms3dModel.h"
#include "scene/Vector4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr float halfPi = std::numbers::pi_v<float> / 2;

void expectMatrix(const Matrix4& m, const std::array<float, 16>& expected)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m[i], expected[i], 1e-6f) << "element " << i;
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
        testing::internal::CaptureStderr();
        const bool loaded = model.loadFromBuffer(Ms3d::encode(file), "m.ms3d");
        EXPECT_TRUE(loaded) << testing::internal::GetCapturedStderr();
        if (loaded)
            testing::internal::GetCapturedStderr();
    }

    Vector4 vertexAt(std::size_t index) const { return model.posedPosition(model.vertices()[index]); }

    platform::SimulatedClock clock;
    Ms3dModel model{std::make_unique<Win32Timer>(Win32Timer::Mode::Milliseconds)};
};

// One joint at the origin moved by translation keys at 100 ms (1,0,0) and
// 200 ms (3,0,0); at 1000 frames per second a frame is a millisecond, so a
// range's first frame sets the animation time exactly.
Ms3d::Model translatedJoint()
{
    Ms3d::Model b;
    b.fps = 1000.0f;
    b.vertices = {{0, {0, 0, 0}, 0}, {0, {1, 2, 3}}};
    b.joints = {joint("Root", "", {}, {}, {{0.1f, {1, 0, 0}}, {0.2f, {3, 0, 0}}})};
    return b;
}

} // namespace

TEST(Matrix4, EulerRotationAboutEachAxis)
{
    Matrix4 x;
    x.setEulerRotation({halfPi, 0, 0});
    expectMatrix(x, {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1});
    Matrix4 y;
    y.setEulerRotation({0, halfPi, 0});
    expectMatrix(y, {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
    Matrix4 z;
    z.setEulerRotation({0, 0, halfPi});
    expectMatrix(z, {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

TEST(Matrix4, EulerRotationIsZThenYThenXAndKeepsTranslation)
{
    const Vec3 angles{0.3f, -0.5f, 1.1f};
    Matrix4 combined;
    combined.setTranslationPart({7, 8, 9});
    combined.setEulerRotation(angles);

    Matrix4 expected;
    expected.setEulerRotation({0, 0, angles[2]});
    Matrix4 pitch;
    pitch.setEulerRotation({0, angles[1], 0});
    Matrix4 roll;
    roll.setEulerRotation({angles[0], 0, 0});
    expected.multiplyBy(pitch);
    expected.multiplyBy(roll);
    expected.setTranslationPart({7, 8, 9});
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(combined[i], expected[i], 1e-6f) << i;
}

TEST(Matrix4, AffineMultiplyAgainstHandComputedProducts)
{
    Matrix4 a; // 90 degrees about z, then moved by (1, 2, 3)
    a.setEulerRotation({0, 0, halfPi});
    a.setTranslationPart({1, 2, 3});
    Matrix4 b;
    b.setTranslationPart({4, 5, 6});

    Matrix4 ab = a;
    ab.multiplyBy(b);
    expectMatrix(ab, {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, -4, 6, 9, 1});
    Matrix4 ba = b;
    ba.multiplyBy(a);
    expectMatrix(ba, {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 7, 9, 1});

    Matrix4 stray = b;
    stray[3] = 5;
    stray[11] = 2;
    stray[15] = 4;
    stray.multiplyBy(a);
    EXPECT_EQ(stray[3], 0.0f);
    EXPECT_EQ(stray[11], 0.0f);
    EXPECT_EQ(stray[15], 1.0f) << "the bottom row is always 0 0 0 1";
}

TEST(Matrix4, UntranslateAndUnrotateInvertTheMatrix)
{
    Matrix4 a;
    a.setEulerRotation({0, 0, halfPi});
    a.setTranslationPart({1, 2, 3});
    Vec3 point{1, 3, 3}; // a applied to (1, 0, 0)
    a.untranslate(point);
    a.unrotate(point);
    EXPECT_NEAR(point[0], 1, 1e-6f);
    EXPECT_NEAR(point[1], 0, 1e-6f);
    EXPECT_NEAR(point[2], 0, 1e-6f);
}

TEST(Vector4, TransformsPointsAndDirections)
{
    Matrix4 p;
    p.setEulerRotation({0, 0, halfPi});
    p.setTranslationPart({1, 2, 3});
    p[3] = 0.5f;

    Vector4 point(Vec3{1, 0, 0});
    point.transformPoint(p);
    expectNear(point, {1, 3, 3});
    EXPECT_FLOAT_EQ(point.w, 1.5f);

    Vector4 direction(Vec3{2, 0, 0});
    direction.w = 7;
    direction.transformDirection(p);
    expectNear(direction, {0, 2, 0});
    EXPECT_EQ(direction.w, 1.0f);

    Vector4 v(Vec3{3, 4, 0});
    v.normalize();
    expectNear(v, {0.6f, 0.8f, 0});
    Vector4 zero(Vec3{0, 0, 0});
    zero.normalize();
    expectNear(zero, {0, 0, 0});
    EXPECT_FALSE(std::isnan(zero.x));
}

TEST(SkeletalAnimation, InterpolatesBetweenAndClampsOutsideTheKeyframes)
{
    const std::pair<int, float> cases[] = {{0, 1}, {50, 1}, {100, 1}, {150, 2}, {175, 2.5f}, {200, 3}, {900, 3}};
    for (const auto& [timeMs, x] : cases) {
        AnimatedModel a(translatedJoint());
        a.model.setFrames(timeMs, 1000);
        a.model.advanceAnimation();
        expectNear(a.vertexAt(0), {x, 0, 0});
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
    a.model.setFrames(150, 1000);
    a.model.advanceAnimation();
    SCOPED_TRACE("a new range restarts the clock at once");
    expectNear(a.vertexAt(0), {2, 0, 0});
}

TEST(SkeletalAnimation, LoopingRestartsWhileNotLoopingHoldsTheLastPose)
{
    Ms3d::Model b = translatedJoint();
    b.joints[0].translationKeys = {{0.0f, {0, 0, 0}}, {0.1f, {10, 0, 0}}};

    AnimatedModel looping(b);
    looping.model.setFrames(0, 100);
    looping.clock.advance(30); // 122 ms of animation: past the end
    looping.model.advanceAnimation();
    expectNear(looping.vertexAt(0), {0, 0, 0});
    looping.clock.advance(10);
    looping.model.advanceAnimation();
    SCOPED_TRACE("the clock was reset at the restart");
    expectNear(looping.vertexAt(0), {4.0666f, 0, 0}, 1e-4f);

    AnimatedModel holding(b);
    holding.model.setLooping(false);
    holding.model.setFrames(0, 100);
    holding.clock.advance(30);
    holding.model.advanceAnimation();
    expectNear(holding.vertexAt(0), {10, 0, 0});
    holding.clock.advance(1000);
    holding.model.advanceAnimation();
    expectNear(holding.vertexAt(0), {10, 0, 0});
}

TEST(SkeletalAnimation, JointWithOnlyRotationKeysTurnsAboutItsRestPosition)
{
    Ms3d::Model b;
    b.fps = 1000.0f;
    b.vertices = {{0, {1, 0, 5}, 0}};
    Ms3d::Triangle t;
    t.normals = {Vec3{2, 0, 0}, Vec3{2, 0, 0}, Vec3{2, 0, 0}};
    b.triangles = {t};
    b.joints = {joint("Root", "", {0, 0, 5}, {{0.0f, {0, 0, 0}}, {1.0f, {0, 0, halfPi}}}, {})};
    AnimatedModel a(b);
    EXPECT_EQ(a.model.vertices()[0].m_position, (Vec3{1, 0, 0})) << "stored relative to the joint";

    a.model.setFrames(0, 2000);
    a.model.advanceAnimation();
    expectNear(a.vertexAt(0), {1, 0, 5});
    a.model.setFrames(1000, 2000);
    a.model.advanceAnimation();
    expectNear(a.vertexAt(0), {0, 1, 5});
    expectNear(a.model.posedNormal(a.model.triangles()[0], 0), {0, 1, 0});
}

TEST(SkeletalAnimation, ChildPoseFollowsItsAnimatedParent)
{
    Ms3d::Model b = translatedJoint();
    b.vertices.push_back({0, {0, 1, 0}, 1});
    b.joints.push_back(joint("Arm", "ROOT", {0, 1, 0}, {{0.0f, {0, 0, 0}}}, {}));
    AnimatedModel a(b);
    ASSERT_EQ(a.model.joints()[1].m_parentIndex, 0);
    EXPECT_EQ(a.model.vertices()[2].m_position, (Vec3{0, 0, 0}));
    a.model.setFrames(150, 1000);
    a.model.advanceAnimation();
    expectNear(a.vertexAt(2), {2, 1, 0});
}

TEST(SkeletalAnimation, VertexWithoutABoneIsDrawnAsStored)
{
    Ms3d::Model b = translatedJoint();
    Ms3d::Triangle t;
    t.indices = {1, 1, 1};
    t.normals = {Vec3{0, 0, 2}, Vec3{0, 0, 2}, Vec3{0, 0, 2}};
    b.triangles = {t};
    AnimatedModel a(b);
    for (const int timeMs : {0, 150, 900}) {
        a.model.setFrames(timeMs, 1000);
        a.model.advanceAnimation();
        const Vector4 position = a.vertexAt(1);
        expectNear(position, {1, 2, 3});
        EXPECT_EQ(position.w, 1.0f);
        SCOPED_TRACE("not normalised either");
        expectNear(a.model.posedNormal(a.model.triangles()[0], 0), {0, 0, 2});
    }
}

TEST(SkeletalAnimation, RestartRewindsCursorsAndPoses)
{
    AnimatedModel a(translatedJoint());
    a.model.setFrames(900, 1000);
    a.model.advanceAnimation();
    EXPECT_EQ(a.model.joints()[0].m_translationFrame, 2);
    a.model.restart();
    EXPECT_EQ(a.model.joints()[0].m_translationFrame, 0);
    SCOPED_TRACE("the rest pose until the next advance");
    expectNear(a.vertexAt(0), {0, 0, 0});
}

TEST(SkeletalAnimation, ModelWithoutJointsStaysStill)
{
    Ms3d::Model b;
    b.vertices = {{0, {4, 5, 6}}};
    b.fps = 0.0f;
    AnimatedModel a(b);
    a.clock.advance(100);
    a.model.advanceAnimation();
    expectNear(a.vertexAt(0), {4, 5, 6});
}
