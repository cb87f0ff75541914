#pragma once

#include "fx/Vector3.h"

// One glowing particle of the swarm, in the screen-fixed centre frame.
struct SpecialFXParticle {
    Vector3 position;
    Vector3 velocity;
    float halfSize = 0.2f;
};
