#include "game/GoalMarker.h"

#include "core/ObjectRegistry.h"
#include "game/FieldHeights.h"
#include "game/LaneGeometry.h"
#include "scene/MeshManager.h"

#include <GL/gl.h>

GoalMarker::GoalMarker(const char* name)
    : ObjectNode(name, SideBoth)
{
}

void GoalMarker::setup(std::uint32_t newLane)
{
    lane = newLane;
    y = FieldHeights::goalY();
    if (LaneGeometry::isLane(lane)) {
        x = LaneGeometry::x[lane];
        angle = LaneGeometry::angle[lane];
    }
    auto* meshes = ObjectRegistry::instance()->findAs<MeshManager>("MeshManager");
    if (!meshes)
        return;
    mesh = meshes->getMesh(meshPath);
    const Texture* texture = meshes->getTexture(texturePath);
    textureName = texture ? texture->glName : 0;
    if (mesh)
        mesh->setTexture(textureName);
}

bool GoalMarker::update()
{
    return ObjectNode::update();
}

bool GoalMarker::draw()
{
    applySideTransform();
    glBindTexture(GL_TEXTURE_2D, 0);
    glTranslatef(x, y, 0.0f);
    glRotatef(angle, LaneGeometry::axisX, LaneGeometry::axisY, LaneGeometry::axisZ);
    // The arrows share the mesh with their own texture: set ours every time.
    if (mesh) {
        mesh->setTexture(textureName);
        mesh->draw();
    }
    return ObjectNode::draw();
}
