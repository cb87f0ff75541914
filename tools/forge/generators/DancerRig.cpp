#include "generators/DancerRig.h"

namespace forge {
namespace {

using Vec3 = DancerRig::Vec3;

struct JointSpec {
    const char* name;
    int parent;
    Vec3 offset;
};

constexpr float u = DancerRig::unit;
constexpr float hipsY = DancerRig::soleY + DancerRig::ankleHeight + DancerRig::shinLength +
                        DancerRig::thighLength + DancerRig::hipsDrop;

const JointSpec joints[DancerRig::JointCount] = {
    {"hips", -1, {0, hipsY, 0}},
    {"spine", DancerRig::Hips, {0, DancerRig::spineRise, 0}},
    {"chest", DancerRig::Spine, {0, DancerRig::chestRise, 0}},
    {"head", DancerRig::Chest, {0, DancerRig::neckRise, 0.1f * u}},
    {"upperarm.L", DancerRig::Chest, {DancerRig::shoulderSpread, DancerRig::shoulderRise, 0}},
    {"forearm.L", DancerRig::UpperArmL, {0, -DancerRig::upperArmLength, 0}},
    {"hand.L", DancerRig::ForearmL, {0, -DancerRig::forearmLength, 0}},
    {"upperarm.R", DancerRig::Chest, {-DancerRig::shoulderSpread, DancerRig::shoulderRise, 0}},
    {"forearm.R", DancerRig::UpperArmR, {0, -DancerRig::upperArmLength, 0}},
    {"hand.R", DancerRig::ForearmR, {0, -DancerRig::forearmLength, 0}},
    {"thigh.L", DancerRig::Hips, {DancerRig::hipSpread, -DancerRig::hipsDrop, 0}},
    {"shin.L", DancerRig::ThighL, {0, -DancerRig::thighLength, 0}},
    {"foot.L", DancerRig::ShinL, {0, -DancerRig::shinLength, 0}},
    {"thigh.R", DancerRig::Hips, {-DancerRig::hipSpread, -DancerRig::hipsDrop, 0}},
    {"shin.R", DancerRig::ThighR, {0, -DancerRig::thighLength, 0}},
    {"foot.R", DancerRig::ShinR, {0, -DancerRig::shinLength, 0}},
};

} // namespace

const char* DancerRig::name(int joint) { return joints[joint].name; }

int DancerRig::parent(int joint) { return joints[joint].parent; }

Vec3 DancerRig::offset(int joint) { return joints[joint].offset; }

Vec3 DancerRig::restPosition(int joint)
{
    Vec3 position = offset(joint);
    for (int p = parent(joint); p >= 0; p = parent(p))
        for (int i = 0; i < 3; ++i)
            position[i] += joints[p].offset[i];
    return position;
}

Vec3 DancerRig::hipPoint(int thigh) { return restPosition(thigh); }

Vec3 DancerRig::anklePoint(int thigh) { return restPosition(thigh + 2); }

} // namespace forge
