#include "game/Arrow.h"

#include "core/FrameClock.h"
#include "core/ObjectRegistry.h"
#include "game/FieldHeights.h"
#include "game/LaneGeometry.h"
#include "game/StepFileManager.h"
#include "scene/MeshManager.h"

#include <GL/gl.h>

#include <cmath>

namespace {

constexpr double millisecondsPerMinute = 60000.0;

} // namespace

Arrow::Arrow(const char* name, std::int8_t side)
    : ObjectNode(name, side)
{
    if (spawnY == unloadedHeight) {
        spawnY = FieldHeights::spawnY();
        goalY = FieldHeights::goalY();
    }
}

void Arrow::setup(std::uint8_t newLane)
{
    lane = newLane;
    y = spawnY;
    if (LaneGeometry::isLane(lane))
        x = LaneGeometry::x[lane];
    if (auto* meshes = ObjectRegistry::instance()->findAs<MeshManager>("MeshManager")) {
        mesh = meshes->getMesh(meshPath);
        texture = meshes->getTexture(texturePath);
        if (mesh && texture)
            mesh->setTexture(texture->glName);
    }
    const auto* stepFile = ObjectRegistry::instance()->findAs<StepFileManager>("StepFileManager");
    bpm = stepFile ? stepFile->getBpm() : 0.0f;
}

// Moves by the last frame's time in beats, so the speed does not depend on
// the frame rate. A frame reported as 0 ms counts as 1 ms.
bool Arrow::update()
{
    const std::uint32_t frameDelta = FrameClock::frameDelta();
    const double frameMs = frameDelta == 0 ? 1.0 : frameDelta;
    y = static_cast<float>(y + frameMs / millisecondsPerMinute * bpm);
    return ObjectNode::update();
}

bool Arrow::draw()
{
    applySideTransform();
    glTranslatef(x, y, 0.0f);
    const float angle = LaneGeometry::isLane(lane) ? LaneGeometry::angle[lane] : 0.0f;
    glRotatef(angle, LaneGeometry::axisX, LaneGeometry::axisY, LaneGeometry::axisZ);
    if (mesh) {
        mesh->setTexture(texture ? texture->glName : 0);
        mesh->draw();
    }
    return ObjectNode::draw();
}

float Arrow::quality() const
{
    if (goalY - window < y && y < goalY + window)
        return 1.0f - std::fabs(goalY - y);
    return 0.0f;
}
