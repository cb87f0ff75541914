#include "game/SGMissle.h"

#include "core/ObjectRegistry.h"
#include "scene/Mesh.h"
#include "scene/MeshManager.h"
#include "scene/ObjectGraph.h"
#include "scene/Texture.h"

#include <GL/gl.h>

#include <cstdio>

namespace {

constexpr float columnX = 4.5f;
constexpr float topY = 1.55f;
constexpr float slotSpacing = 0.4f;
constexpr float iconScale = 0.2f;

} // namespace

SGMissle::SGMissle(int row, int slot)
    : ObjectNode("empty", SideCentre)
    , row(row)
    , slot(slot)
{
    if (auto* meshes = ObjectRegistry::instance()->findAs<MeshManager>("MeshManager")) {
        mesh = meshes->getMesh("Data/Models/missile.3ds");
        texture = meshes->getTexture("Data/Textures/missle1.bmp");
        if (mesh && texture)
            mesh->setTexture(texture->glName);
    }
    std::snprintf(nodeName, sizeof nodeName, "SGMissle_%d_%d", row, slot);
    if (ObjectGraph* graph = ObjectGraph::find())
        graph->addNode(this, nodeName);
    hide();
}

// Player 1's icons stand in a column at the left edge, player 2's at the
// right, slot 0 on top.
bool SGMissle::draw()
{
    const float iconX = row != 0 ? columnX : -columnX;
    const float iconY = topY - static_cast<float>(slot) * slotSpacing;
    applySideTransform();
    glTranslatef(iconX, iconY, 0.0f);
    glScalef(iconScale, iconScale, iconScale);
    if (lit && mesh)
        mesh->draw();
    return ObjectNode::draw();
}
