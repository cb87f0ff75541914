#include "generators/DancerChoreography.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace forge {
namespace {

using Vec3 = DancerChoreography::Vec3;
using Pose = DancerChoreography::Pose;
using R = DancerRig;

constexpr float u = R::unit;
constexpr float pi = std::numbers::pi_v<float>;
constexpr float radians = pi / 180.0f;

Vec3 toRadians(const Vec3& degrees) { return {degrees[0] * radians, degrees[1] * radians, degrees[2] * radians}; }

// Rows of Rz * Ry * Rx, the joints' Euler order.
struct Rotation {
    float m[3][3];

    explicit Rotation(const Vec3& angles)
    {
        const float cr = std::cos(angles[0]), sr = std::sin(angles[0]);
        const float cp = std::cos(angles[1]), sp = std::sin(angles[1]);
        const float cy = std::cos(angles[2]), sy = std::sin(angles[2]);
        const float rows[3][3] = {{cp * cy, sr * sp * cy - cr * sy, cr * sp * cy + sr * sy},
                                  {cp * sy, sr * sp * sy + cr * cy, cr * sp * sy - sr * cy},
                                  {-sp, sr * cp, cr * cp}};
        std::copy(&rows[0][0], &rows[0][0] + 9, &m[0][0]);
    }
    Vec3 apply(const Vec3& v) const
    {
        return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2], m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
                m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
    }
    Vec3 applyInverse(const Vec3& v) const
    {
        return {m[0][0] * v[0] + m[1][0] * v[1] + m[2][0] * v[2], m[0][1] * v[0] + m[1][1] * v[1] + m[2][1] * v[2],
                m[0][2] * v[0] + m[1][2] * v[1] + m[2][2] * v[2]};
    }
};

Vec3 add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Vec3 mirrored(const Vec3& degrees) { return {degrees[0], -degrees[1], -degrees[2]}; }

// Thigh, shin and foot angles (radians) that put one ankle on its target with the knee forward.
struct LegAngles {
    Vec3 thigh, shin, foot;
};

LegAngles solveLeg(int thigh, const Pose& pose, const Vec3& hipsRadians, const Vec3& ankleTarget)
{
    const Rotation hips(hipsRadians);
    const Vec3 hipsPosition = add(R::restPosition(R::Hips), pose.hips);
    const Vec3 hipPoint = add(hipsPosition, hips.apply(R::offset(thigh)));
    const Vec3 target = Rotation(Vec3{0, pose.spin * radians, 0}).apply(ankleTarget);
    const Vec3 reach = hips.applyInverse(sub(target, hipPoint));

    const float t = R::thighLength, s = R::shinLength;
    const float distance = std::clamp(std::sqrt(reach[0] * reach[0] + reach[1] * reach[1] + reach[2] * reach[2]),
                                      0.35f * (t + s), 0.999f * (t + s));
    const float swing = std::atan2(reach[0], -reach[1]);
    const float lateral = std::sqrt(reach[0] * reach[0] + reach[1] * reach[1]);
    const float pitch = std::atan2(-reach[2], lateral);
    const float knee = std::acos(std::clamp((distance * distance - t * t - s * s) / (2.0f * t * s), -1.0f, 1.0f));
    const float lead = std::atan2(s * std::sin(knee), t + s * std::cos(knee));
    const float thighPitch = pitch - lead;
    return {{thighPitch, 0, swing}, {knee, 0, 0}, {-(thighPitch + knee) - hipsRadians[0], 0, -swing - hipsRadians[2]}};
}

Vec3 restAnkle(int thigh, float spread)
{
    Vec3 ankle = R::anklePoint(thigh);
    ankle[0] = (ankle[0] > 0 ? 1.0f : -1.0f) * spread;
    return ankle;
}

Vec3 raised(Vec3 p, float dx, float dy, float dz) { return {p[0] + dx, p[1] + dy, p[2] + dz}; }

constexpr int leftFoot = 0;
constexpr int rightFoot = 1;

using KeyedPose = DancerChoreography::KeyedPose;

KeyedPose key(int frame, const Pose& pose) { return {frame, pose}; }

// Up: crouch, jump with both arms thrown up, land, bounce back.
void upMove(std::vector<KeyedPose>& keys, const Pose& base)
{
    Pose crouch = base;
    crouch.hips = {0, -2.2f * u, -0.3f * u};
    crouch.rotation[R::Spine] = {14, 0, 0};
    crouch.rotation[R::Head] = {-10, 0, 0};
    crouch.arms(R::UpperArmL, {40, 0, 10});
    crouch.arms(R::ForearmL, {-10, 0, 0});
    keys.push_back({7, crouch});

    Pose peak = base;
    peak.hips = {0, 3.2f * u, 0};
    peak.ankles[leftFoot] = raised(base.ankles[leftFoot], 0.2f * u, 2.4f * u, -0.4f * u);
    peak.ankles[rightFoot] = raised(base.ankles[rightFoot], -0.2f * u, 2.4f * u, -0.4f * u);
    peak.rotation[R::Spine] = {-8, 0, 0};
    peak.rotation[R::Head] = {-18, 0, 0};
    peak.arms(R::UpperArmL, {-10, 0, 160});
    peak.arms(R::ForearmL, {0, 0, 10});
    peak.arms(R::HandL, {0, 0, 10});
    keys.push_back({15, peak});

    Pose land = base;
    land.hips = {0, -2.0f * u, 0};
    land.rotation[R::Spine] = {8, 0, 0};
    land.arms(R::UpperArmL, {0, 0, 95});
    land.arms(R::ForearmL, {0, 0, 0});
    keys.push_back({22, land});

    Pose bounce = base;
    bounce.hips = {0, -0.2f * u, 0};
    bounce.arms(R::UpperArmL, {-5, 0, 40});
    bounce.arms(R::ForearmL, {-30, 0, 0});
    keys.push_back({30, bounce});
}

// Left (towards -x on screen, the dancer's right): a wide step with a lean and a pointing arm.
void leftMove(std::vector<KeyedPose>& keys, const Pose& base)
{
    Pose step = base;
    step.hips = {-2.4f * u, -1.2f * u, 0};
    step.ankles[rightFoot] = raised(base.ankles[rightFoot], -3.7f * u, 0, 0);
    step.rotation[R::Spine] = {0, 0, 10};
    step.rotation[R::Chest] = {0, -15, 6};
    step.rotation[R::Head] = {0, -25, 8};
    step.arm(R::UpperArmR, {-10, 0, -125});
    step.arm(R::ForearmR, {0, 0, 0});
    step.arm(R::UpperArmL, {-60, 0, 50});
    step.arm(R::ForearmL, {-80, 0, 0});
    keys.push_back({47, step});

    Pose pump = step;
    pump.hips[1] = -1.8f * u;
    pump.arm(R::UpperArmR, {-10, 0, -150});
    pump.arm(R::ForearmR, {0, 0, -15});
    pump.rotation[R::Head] = {-10, -25, 8};
    keys.push_back({54, pump});

    Pose again = step;
    again.hips[1] = -1.0f * u;
    keys.push_back({61, again});

    Pose back = base;
    back.hips = {-0.6f * u, -0.8f * u, 0};
    back.ankles[rightFoot] = raised(base.ankles[rightFoot], -0.4f * u, 0, 0);
    back.arms(R::UpperArmL, {-5, 0, 40});
    keys.push_back({70, back});
}

// Down and Right: a deep squat with the arms out and the forearms pumping down, then a step right into a disco point.
void downRightMove(std::vector<KeyedPose>& keys, const Pose& base)
{
    Pose squat = base;
    squat.hips = {0, -3.6f * u, -1.0f * u};
    squat.ankles[leftFoot] = raised(base.ankles[leftFoot], 0.7f * u, 0, 0);
    squat.ankles[rightFoot] = raised(base.ankles[rightFoot], -0.7f * u, 0, 0);
    squat.rotation[R::Spine] = {22, 0, 0};
    squat.rotation[R::Chest] = {5, 0, 0};
    squat.rotation[R::Head] = {-25, 0, 0};
    squat.arms(R::UpperArmL, {0, 0, 80});
    squat.arms(R::ForearmL, {0, 0, -85});
    squat.arms(R::HandL, {0, 0, 0});
    keys.push_back({87, squat});

    Pose point = base;
    point.hips = {2.4f * u, -1.0f * u, 0};
    point.ankles[leftFoot] = raised(base.ankles[leftFoot], 3.7f * u, 0, 0);
    point.ankles[rightFoot] = raised(base.ankles[rightFoot], -0.7f * u, 0, 0);
    point.rotation[R::Spine] = {0, 0, -10};
    point.rotation[R::Chest] = {0, 15, 0};
    point.rotation[R::Head] = {-15, 20, 0};
    point.arm(R::UpperArmL, {-15, 0, 140});
    point.arm(R::ForearmL, {0, 0, 0});
    point.arm(R::HandL, {0, 0, 0});
    point.arm(R::UpperArmR, {20, 0, -30});
    point.arm(R::ForearmR, {-20, 0, 100});
    keys.push_back({96, point});

    Pose hold = point;
    hold.hips[1] = -1.6f * u;
    hold.arm(R::UpperArmL, {-15, 0, 150});
    keys.push_back({104, hold});

    Pose back = base;
    back.hips = {0.6f * u, -0.6f * u, 0};
    keys.push_back({112, back});
}

// The special: a wind-up, a full pirouette with the arms out, an arm wave
// running from hand to hand, and a big pointing finish.
void specialMove(std::vector<KeyedPose>& keys, const Pose& base)
{
    Pose windUp = base;
    windUp.hips = {0, -1.8f * u, 0};
    windUp.rotation[R::Chest] = {0, -30, 0};
    windUp.arms(R::UpperArmL, {-60, 0, -25});
    windUp.arms(R::ForearmL, {-40, 0, 0});
    keys.push_back({166, windUp});

    Pose spin = base;
    spin.hips = {0, -0.4f * u, 0};
    spin.arms(R::UpperArmL, {0, 0, 88});
    spin.arms(R::ForearmL, {0, 0, 20});
    spin.arms(R::HandL, {0, 0, 0});
    for (int quarter = 0; quarter <= 4; ++quarter) {
        spin.spin = 90.0f * static_cast<float>(quarter);
        keys.push_back({172 + 5 * quarter, spin});
    }

    Pose out = spin;
    out.hips = {0, -1.4f * u, 0};
    out.arms(R::UpperArmL, {0, 0, 60});
    keys.push_back({198, out});

    // The wave: each link of the chain lifts a little after the one before it.
    const int chain[] = {R::HandR, R::ForearmR, R::UpperArmR, R::Chest, R::UpperArmL, R::ForearmL, R::HandL};
    for (int step = 0; step < 8; ++step) {
        Pose wave = out;
        wave.hips = {0, -0.8f * u, 0};
        wave.arms(R::UpperArmL, {0, 0, 88});
        for (int link = 0; link < 7; ++link) {
            const float phase = 2.0f * pi * static_cast<float>(step) / 8.0f - 0.9f * static_cast<float>(link);
            const float lift = 32.0f * std::sin(phase);
            const int joint = chain[link];
            if (joint == R::Chest)
                wave.rotation[joint] = {0, 0, -0.25f * lift};
            else if (link < 3)
                wave.rotation[joint] = add(wave.rotation[joint], mirrored({0, 0, (link == 2 ? 0.4f : 1.0f) * lift}));
            else
                wave.rotation[joint] = add(wave.rotation[joint], {0, 0, (link == 4 ? 0.4f : 1.0f) * lift});
        }
        keys.push_back({204 + 4 * step, wave});
    }

    Pose finish = base;
    finish.spin = 360.0f;
    finish.hips = {1.2f * u, -0.8f * u, 0};
    finish.ankles[leftFoot] = raised(base.ankles[leftFoot], 2.3f * u, 0, 0);
    finish.ankles[rightFoot] = raised(base.ankles[rightFoot], -0.1f * u, 0, 0);
    finish.rotation[R::Spine] = {0, 0, -12};
    finish.rotation[R::Chest] = {0, 10, 0};
    finish.rotation[R::Head] = {-15, 25, 0};
    finish.arm(R::UpperArmL, {-10, 0, 150});
    finish.arm(R::ForearmL, {0, 0, 0});
    finish.arm(R::HandL, {0, 0, 0});
    finish.arm(R::UpperArmR, {15, 0, -35});
    finish.arm(R::ForearmR, {-10, 0, 100});
    keys.push_back({238, finish});

    Pose hold = finish;
    hold.hips[1] = -0.5f * u;
    hold.arm(R::UpperArmL, {-10, 0, 158});
    keys.push_back({250, hold});
}

} // namespace

void Pose::arms(int leftJoint, Vec3 degrees)
{
    rotation[leftJoint] = degrees;
    rotation[leftJoint + (R::UpperArmR - R::UpperArmL)] = mirrored(degrees);
}

Pose DancerChoreography::stance()
{
    Pose pose;
    pose.hips = {0, -0.35f * u, 0};
    pose.ankles[leftFoot] = restAnkle(R::ThighL, 1.9f * u);
    pose.ankles[rightFoot] = restAnkle(R::ThighR, 1.9f * u);
    pose.arms(R::UpperArmL, {-8, 0, 14});
    pose.arms(R::ForearmL, {-40, 0, 0});
    pose.arms(R::HandL, {-10, 0, 0});
    return pose;
}

std::vector<KeyedPose> DancerChoreography::poses()
{
    const Pose base = stance();
    std::vector<KeyedPose> keys{key(0, base)};
    upMove(keys, base);
    keys.push_back(key(40, base));
    leftMove(keys, base);
    keys.push_back(key(80, base));
    downRightMove(keys, base);
    keys.push_back(key(120, base));
    keys.push_back(key(160, base));
    specialMove(keys, base);
    Pose end = base;
    end.spin = 360.0f;
    keys.push_back(key(lastFrame, end));
    return keys;
}

void DancerChoreography::animate(Ms3dWriter::Model& model)
{
    model.fps = fps;
    model.totalFrames = lastFrame;
    model.joints.clear();
    for (int j = 0; j < R::JointCount; ++j) {
        Ms3dWriter::Joint joint;
        joint.name = R::name(j);
        joint.parentName = R::parent(j) < 0 ? "" : R::name(R::parent(j));
        joint.position = R::offset(j);
        model.joints.push_back(joint);
    }
    for (const auto& [frame, pose] : poses()) {
        const float seconds = static_cast<float>(frame) / fps;
        std::array<Vec3, R::JointCount> angles;
        for (int j = 0; j < R::JointCount; ++j)
            angles[j] = toRadians(pose.rotation[j]);
        angles[R::Hips][1] += pose.spin * radians;
        for (int side = 0; side < 2; ++side) {
            const int thigh = side == leftFoot ? R::ThighL : R::ThighR;
            const LegAngles leg = solveLeg(thigh, pose, angles[R::Hips], pose.ankles[side]);
            angles[thigh] = leg.thigh;
            angles[thigh + 1] = leg.shin;
            angles[thigh + 2] = leg.foot;
        }
        for (int j = 0; j < R::JointCount; ++j)
            model.joints[j].rotationKeys.push_back({seconds, angles[j]});
        model.joints[R::Hips].translationKeys.push_back({seconds, pose.hips});
    }
}

} // namespace forge
