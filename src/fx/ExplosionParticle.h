#pragma once

#include "fx/Vector3.h"

#include <cstdint>

// One particle of a trail: where it is, how it drifts (units per second) and
// when it was born, which picks its frame of the explosion sequence.
struct ExplosionParticle {
    Vector3 position;
    Vector3 velocity;
    float halfSize = 0.5f;
    std::uint32_t birthTick = 0;
};
