#pragma once

#include "writers/Ms3dWriter.h"

#include <array>
#include <string>

namespace forge {

// The dancer's skeleton in its rest pose: joint names, parents (always listed
// before their children) and positions in model space. The model faces +z,
// stands on its soles at soleY and is centred on x = 0; "left" and "right"
// are the dancer's own sides, so his left hand is at +x.
class DancerRig {
public:
    using Vec3 = Ms3dWriter::Vec3;

    enum Joint {
        Hips, Spine, Chest, Head,
        UpperArmL, ForearmL, HandL,
        UpperArmR, ForearmR, HandR,
        ThighL, ShinL, FootL,
        ThighR, ShinR, FootR,
        JointCount
    };

    // One length unit of the body plan; the placement in the game decides how big that is.
    static constexpr float unit = 1.2f;
    static constexpr float soleY = -5.5f;

    static constexpr float ankleHeight = 1.0f * unit;
    static constexpr float shinLength = 6.2f * unit;
    static constexpr float thighLength = 6.4f * unit;
    static constexpr float hipSpread = 1.6f * unit;
    static constexpr float hipsDrop = 0.2f * unit;
    static constexpr float spineRise = 1.2f * unit;
    static constexpr float chestRise = 3.0f * unit;
    static constexpr float neckRise = 5.1f * unit;
    static constexpr float shoulderRise = 3.9f * unit;
    static constexpr float shoulderSpread = 3.1f * unit;
    static constexpr float upperArmLength = 4.6f * unit;
    static constexpr float forearmLength = 4.2f * unit;
    static constexpr float handLength = 1.8f * unit;

    static const char* name(int joint);
    static int parent(int joint);
    // Rest position relative to the parent joint (absolute for the root).
    static Vec3 offset(int joint);
    static Vec3 restPosition(int joint);
    // The hip joint (top of the thigh) and ankle of one leg, thigh given.
    static Vec3 hipPoint(int thigh);
    static Vec3 anklePoint(int thigh);
};

} // namespace forge
