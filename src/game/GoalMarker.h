#pragma once

#include "scene/ObjectNode.h"

#include <cstdint>

class Mesh;

// One of the four fixed arrows on the goal line, one per lane. Drawn in both
// fields; a missile hides it for the player it hits.
class GoalMarker : public ObjectNode {
public:
    static constexpr const char* meshPath = "Data/Models/pfeil.3DS";
    static constexpr const char* texturePath = "Data/Textures/spaceshiptexture3.tga";

    explicit GoalMarker(const char* name);

    // Places the marker on the goal line of the lane; a lane above 3 keeps
    // the previous x and angle.
    void setup(std::uint32_t newLane);

    bool update() override;
    bool draw() override;

    std::uint32_t getLane() const { return lane; }
    float getAngle() const { return angle; }
    std::uint32_t getTextureName() const { return textureName; }

private:
    std::uint32_t lane = 0;
    float angle = 0.0f;
    // Shared with the arrows through the mesh manager; not owned.
    Mesh* mesh = nullptr;
    std::uint32_t textureName = 0;
};
