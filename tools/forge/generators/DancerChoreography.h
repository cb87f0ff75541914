#pragma once

#include "generators/DancerRig.h"
#include "writers/Ms3dWriter.h"

#include <array>
#include <vector>

namespace forge {

// The dancer's moves as keyframed poses. The game plays frames 0-40 for Up,
// 40-80 for Left, 80-120 for Down and Right and 160-260 for the special
// move; every one of those boundaries holds the same stance, so any move
// can follow any other. Legs are placed by solving for the feet, which keeps
// planted feet still while the hips move.
class DancerChoreography {
public:
    using Vec3 = Ms3dWriter::Vec3;

    static constexpr float fps = 24.0f;
    static constexpr int lastFrame = 260;

    // A pose: joint rotations in degrees as offsets from the rest pose
    // (legs excepted, they follow the feet), the hips' offset, a spin of the
    // whole body about y in degrees, and the ankles' targets in the spinning frame.
    struct Pose {
        std::array<Vec3, DancerRig::JointCount> rotation{};
        Vec3 hips{};
        float spin = 0.0f;
        std::array<Vec3, 2> ankles{};

        // Sets the left arm's joint and its mirror image on the right.
        void arms(int leftJoint, Vec3 degrees);
        void arm(int joint, Vec3 degrees) { rotation[joint] = degrees; }
    };

    struct KeyedPose {
        int frame;
        Pose pose;
    };

    static Pose stance();
    static std::vector<KeyedPose> poses();
    // Adds the skeleton with every joint's keyframes to the model.
    static void animate(Ms3dWriter::Model& model);
};

} // namespace forge
