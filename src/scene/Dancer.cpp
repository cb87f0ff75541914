#include "scene/Dancer.h"

#include "core/OutputHandler.h"
#include "platform/SystemClock.h"
#include "scene/NodeNames.h"

#include <GL/gl.h>

#include <cstdlib>

namespace {

// Where the figure stands: far behind the playfields, below the screen centre,
// tilted towards the camera so the steps read from above.
constexpr GLfloat placementY = -13.0f;
constexpr GLfloat placementZ = -60.0f;
constexpr GLfloat tiltDegrees = 30.0f;

// Due strictly after its tick. The difference is taken in wrapping arithmetic
// so that events on either side of the tick counter's wrap compare correctly.
bool isDue(std::uint32_t dueTick, std::uint32_t now)
{
    return static_cast<std::int32_t>(now - dueTick) > 0;
}

} // namespace

Dancer::Dancer(std::unique_ptr<Timer> timer)
    : ObjectNode(nodes::dancer, SideCentre)
    , model(std::make_unique<Ms3dModel>(std::move(timer)))
{
    model->setFrames(upMove.firstFrame, upMove.lastFrame);
    model->setLooping(false);
    modelLoaded = model->load(modelPath);
    if (!modelLoaded)
        OutputHandler::report(OutputHandler::find(), Error, "Could not open ms3d file '%s'.", modelPath);
}

Dancer::~Dancer() = default;

void Dancer::addEvent(std::uint32_t dueTick, char step)
{
    events.push_back({dueTick, step});
}

void Dancer::newRound()
{
    events.clear();
    model->setFrames(upMove.firstFrame, upMove.lastFrame);
}

std::list<DanceEvent>::iterator Dancer::firstDueEvent(std::uint32_t now)
{
    for (auto event = events.begin(); event != events.end(); ++event) {
        if (isDue(event->dueTick, now))
            return event;
    }
    return events.end();
}

bool Dancer::update()
{
    const auto event = firstDueEvent(platform::SystemClock::tickCount());
    if (event != events.end()) {
        startMove(event->step);
        events.erase(event);
    }
    return ObjectNode::update();
}

// Every due event draws a number, whether or not its step has a move.
void Dancer::startMove(char step)
{
    const bool special = std::rand() % specialOdds == 1;
    Move move{};
    switch (step) {
    case '8':
        move = upMove;
        break;
    case '4':
        move = leftMove;
        break;
    case '2':
    case '6':
        move = downRightMove;
        break;
    default:
        return;
    }
    if (special)
        move = specialMove;
    model->setFrames(move.firstFrame, move.lastFrame);
}

bool Dancer::draw()
{
    applySideTransform();
    glTranslatef(0.0f, placementY, placementZ);
    glRotatef(tiltDegrees, 1.0f, 0.0f, 0.0f);
    // The figure is closed: its back faces lie behind its front ones, so
    // culling them keeps the picture and spares the rasteriser half the
    // triangles.
    glEnable(GL_CULL_FACE);
    if (modelLoaded)
        model->draw();
    glDisable(GL_CULL_FACE);
    return ObjectNode::draw();
}
