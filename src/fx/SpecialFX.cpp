#include "fx/SpecialFX.h"

#include "core/ConfigFileParser.h"
#include "core/FrameClock.h"
#include "core/ObjectRegistry.h"
#include "core/OutputHandler.h"
#include "fx/TexturedSquare.h"
#include "scene/MeshManager.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr float attraction = 0.05f;
constexpr float steering = 0.02f;

// One of 0.0, 0.1, ..., 0.9 from the process's shared generator.
float releaseCoordinate()
{
    return static_cast<float>(std::rand() % 10) / 10.0f;
}

// A channel above full brightness goes dark; any other takes the step.
void drift(float& channel, float step)
{
    if (channel > 1.0f)
        channel = 0.0f;
    else
        channel += step;
}

Object* registered(const char* name)
{
    return ObjectRegistry::exists() ? ObjectRegistry::instance()->find(name) : nullptr;
}

} // namespace

SpecialFX::SpecialFX(const char* name)
    : ObjectNode(name, SideCentre)
    , texture(lookUpTexture())
    , maxParticles(readMaxParticles())
{
    particles.reserve(maxParticles);
}

std::uint32_t SpecialFX::lookUpTexture()
{
    auto* meshes = static_cast<MeshManager*>(registered("MeshManager"));
    const Texture* record = meshes ? meshes->getTexture(texturePath) : nullptr;
    return record ? record->glName : 0;
}

std::uint32_t SpecialFX::readMaxParticles()
{
    const auto* config = static_cast<const ConfigFileParser*>(registered("ConfigFileParser"));
    if (!config)
        return 0;
    const int configured = ConfigFileParser::toInt(config->getSection("SpecialFX")["MaxParticels"]);
    const std::uint32_t count = clampParticleCount(configured);
    if (static_cast<long long>(count) != configured)
        OutputHandler::report(OutputHandler::find(), Warning, "MaxParticels %d is out of range, using %u", configured,
                              count);
    return count;
}

std::uint32_t SpecialFX::clampParticleCount(int configured)
{
    if (configured < 0)
        return 0;
    return std::min(static_cast<std::uint32_t>(configured), particleLimit);
}

void SpecialFX::setColor(float newRed, float newGreen, float newBlue)
{
    red = newRed;
    green = newGreen;
    blue = newBlue;
}

bool SpecialFX::update()
{
    if (particles.size() < maxParticles)
        release();
    const float seconds = static_cast<float>(FrameClock::frameDelta()) / 1000.0f;
    for (SpecialFXParticle& particle : particles)
        steer(particle, seconds);
    ObjectNode::update();
    return true;
}

void SpecialFX::release()
{
    SpecialFXParticle particle;
    // Drawn in the order z, y, x.
    particle.position.z = releaseCoordinate();
    particle.position.y = releaseCoordinate();
    particle.position.x = releaseCoordinate();
    particle.velocity = {1.0f, 0.0f, 0.0f};
    particles.push_back(particle);
}

// The pulls are added once per update whatever the frame time; only the
// motion is scaled by it.
void SpecialFX::steer(SpecialFXParticle& particle, float seconds) const
{
    particle.velocity += (particle.position - attractor).unit() * -attraction;
    particle.velocity += (steeringCentre + particle.velocity * seconds).unit() * steering;
    particle.position += particle.velocity * seconds;
}

// Every particle is drawn in the same frame, so the frame is set once and each
// square is placed by its vertices: the swarm goes to OpenGL as one batch of
// triangles instead of a draw call per particle (a matrix change ends a batch).
bool SpecialFX::draw()
{
    beginDrawing();
    if (!particles.empty()) {
        applySideTransform();
        glBegin(GL_TRIANGLES);
        for (const SpecialFXParticle& particle : particles) {
            flicker();
            // Blue is fixed; the drifting blue channel is never shown.
            glColor4f(red, green, 0.9f, 0.1f);
            TexturedSquare::emit(particle.position.x, particle.position.y, particle.position.z, particle.halfSize);
        }
        glEnd();
        // The matrix is left where placing the last particle leaves it.
        const Vector3& last = particles.back().position;
        glTranslatef(last.x, last.y, last.z);
    }
    endDrawing();
    ObjectNode::draw();
    return true;
}

// One random step of the shared colour, per drawn particle.
void SpecialFX::flicker()
{
    const int channel = std::rand() % 6;
    const float step = static_cast<float>(std::rand() % 10 - 3) / 10.0f;
    if (channel == 1)
        drift(red, step);
    else if (channel == 2)
        drift(green, step);
    else if (channel == 3)
        drift(blue, step);
}

// Additive blending, so particles add light; the depth test stays off and the
// blend function stays set for whatever is drawn next.
void SpecialFX::beginDrawing() const
{
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
}

void SpecialFX::endDrawing()
{
    glEnable(GL_LIGHTING);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}
