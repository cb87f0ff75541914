#include "game/Sidebar.h"

#include "core/ConfigFileParser.h"
#include "core/ObjectRegistry.h"
#include "fx/Text.h"
#include "game/GimmickManager.h"
#include "game/Player.h"
#include "game/SGMissle.h"
#include "scene/MeshManager.h"
#include "scene/NodeNames.h"
#include "scene/ObjectGraph.h"
#include "scene/Texture.h"

#include <GL/gl.h>

#include <cstdio>

namespace {

constexpr float panelX = 9.5f;
constexpr float panelY = 2.0f;
constexpr float panelZ = -10.0f;
constexpr float pointsY = 2.4f;
constexpr float player1PointsX = -4.7f;
constexpr float player2PointsX = 4.26f;

int configuredWindowWidth()
{
    const auto* config = ObjectRegistry::instance()->findAs<ConfigFileParser>("ConfigFileParser");
    return config ? ConfigFileParser::toInt(config->getValue("Width", "Window")) : 0;
}

} // namespace

Sidebar::Sidebar(const char* name, Player* shownPlayer)
    : ObjectNode(name, SideCentre)
    , player(shownPlayer)
{
    const int number = playerNumber();
    char texturePath[64];
    std::snprintf(texturePath, sizeof texturePath, "Data/Textures/Sidebar/Sidebar_%d.tga", number);
    if (auto* meshes = ObjectRegistry::instance()->findAs<MeshManager>("MeshManager")) {
        if (const Texture* texture = meshes->getTexture(texturePath))
            textureName = texture->glName;
    }
    sign = number == 1 ? -1.0f : 1.0f;
    createPointsText(number);
    linkIntoGraph(number);
    createIcons(number);
}

int Sidebar::playerNumber() const
{
    return player ? player->getNumber() : 0;
}

int Sidebar::pointsFontHeight(int windowWidth)
{
    switch (windowWidth) {
    case 640:
        return 14;
    case 1024:
        return 18;
    default:
        return 0;
    }
}

void Sidebar::createPointsText(int number)
{
    pointsText = new Text(0, SideCentre);
    pointsText->createBitmapFont(-20, 400, "Arial Black", 0, 0, 0, 0);
    pointsText->changeBitmapFont(pointsFontHeight(configuredWindowWidth()), 700, "Courier New", 0, 0, 0, 0);
    pointsText->setPosition(number == 1 ? player1PointsX : player2PointsX, pointsY);
}

void Sidebar::linkIntoGraph(int number)
{
    const bool firstPlayer = number == 1;
    if (ObjectGraph* graph = ObjectGraph::find()) {
        graph->addNode(this, firstPlayer ? nodes::sidebarP1 : nodes::sidebarP2);
        graph->addNode(pointsText, firstPlayer ? "sb_P1Points" : "sb_P2Points");
    }
}

// Only the two players have icon rows.
void Sidebar::createIcons(int number)
{
    if (number < 1 || number > GimmickManager::playerCount)
        return;
    for (int slot = 0; slot < iconsPerPlayer; ++slot)
        icons[(number - 1) * iconsPerPlayer + slot] = new SGMissle(number - 1, slot);
}

bool Sidebar::update()
{
    showPoints();
    followSlots();
    return ObjectNode::update();
}

void Sidebar::newRound()
{
    showPoints();
    for (SGMissle* icon : icons) {
        if (icon)
            icon->hide();
    }
}

void Sidebar::showPoints()
{
    if (player)
        pointsText->setText("%5u", player->getPoints());
}

// Without a gimmick manager the icons keep their last state.
void Sidebar::followSlots()
{
    const auto* gimmicks = ObjectRegistry::instance()->findAs<GimmickManager>("GimmickManager");
    const int number = playerNumber();
    if (!gimmicks || number < 1 || number > GimmickManager::playerCount)
        return;
    for (int slot = 0; slot < iconsPerPlayer; ++slot) {
        SGMissle* icon = icons[(number - 1) * iconsPerPlayer + slot];
        if (gimmicks->getSlot(number, slot))
            icon->show();
        else
            icon->hide();
    }
}

bool Sidebar::draw()
{
    glDisable(GL_LIGHTING);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glEnable(GL_ALPHA_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    applySideTransform();
    glTranslatef(panelX * sign, panelY, panelZ);
    drawPanel();

    glEnable(GL_LIGHTING);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    return ObjectNode::draw();
}

void Sidebar::drawPanel() const
{
    const float w = halfWidth;
    const float h = halfHeight;
    glBegin(GL_TRIANGLES);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-w, h, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(w, h, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(w, -h, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(w, -h, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-w, -h, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-w, h, 0.0f);
    glEnd();
}
