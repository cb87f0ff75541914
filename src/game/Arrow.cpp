#include "game/Arrow.h"

#include "core/FrameClock.h"
#include "core/ObjectRegistry.h"
#include "game/FieldHeights.h"
#include "game/LaneGeometry.h"
#include "game/MsWindows.h"
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

// The carrier moves by the last frame's time in beats, so the speed does not
// depend on the frame rate; a frame reported as 0 ms counts as 1 ms. Arrows
// of notes are placed by the arrow manager.
bool Arrow::update()
{
    if (!followsSong()) {
        const std::uint32_t frameDelta = FrameClock::frameDelta();
        const double frameMs = frameDelta == 0 ? 1.0 : frameDelta;
        y = static_cast<float>(y + frameMs / millisecondsPerMinute * bpm);
    }
    return ObjectNode::update();
}

void Arrow::followSong(double beat, double ms, double msPerBeat)
{
    noteBeat = beat;
    noteMs = ms;
    beatMs = msPerBeat;
}

void Arrow::placeAt(double songBeat)
{
    if (followsSong())
        y = static_cast<float>(goalY - (noteBeat - songBeat) * speed);
}

void Arrow::useTexture(const char* path)
{
    if (auto* meshes = ObjectRegistry::instance()->findAs<MeshManager>("MeshManager"))
        texture = meshes->getTexture(path);
}

bool Arrow::draw()
{
    applySideTransform();
    if (tail > 0.0f)
        drawTail();
    glTranslatef(x, y, 0.0f);
    const float angle = LaneGeometry::isLane(lane) ? LaneGeometry::angle[lane] : 0.0f;
    glRotatef(angle, LaneGeometry::axisX, LaneGeometry::axisY, LaneGeometry::axisZ);
    if (mesh) {
        mesh->setTexture(texture ? texture->glName : 0);
        mesh->draw();
    }
    return ObjectNode::draw();
}

// A translucent bar in the lane from the arrow down to the hold's end.
void Arrow::drawTail() const
{
    constexpr float halfWidth = 0.22f;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glColor4f(1.0f, 0.55f, 0.15f, 0.55f);
    glBegin(GL_QUADS);
    glVertex3f(x - halfWidth, y, -0.2f);
    glVertex3f(x + halfWidth, y, -0.2f);
    glVertex3f(x + halfWidth, y - tail, -0.2f);
    glVertex3f(x - halfWidth, y - tail, -0.2f);
    glEnd();
    glPopAttrib();
}

float Arrow::quality() const
{
    return qualityAtHeight(y);
}

float Arrow::qualityAt(double songMs) const
{
    if (!followsSong())
        return quality();
    const double realMs = (songMs - noteMs) / musicRate;
    if (inMs)
        return MsWindows::qualityFor(realMs);
    return qualityAtHeight(static_cast<float>(goalY + realMs / beatMs));
}

bool Arrow::hitBy(LaneEvent event) const
{
    if (onRelease)
        return event == LaneEvent::Release;
    return inMs ? event == LaneEvent::Press : event != LaneEvent::Release;
}

float Arrow::qualityAtHeight(float height)
{
    if (goalY - window < height && height < goalY + window)
        return 1.0f - std::fabs(goalY - height);
    return 0.0f;
}
