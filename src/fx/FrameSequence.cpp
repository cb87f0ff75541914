#include "fx/FrameSequence.h"

#include "core/ObjectRegistry.h"
#include "scene/MeshManager.h"

#include <GL/gl.h>

#include <cstdio>

namespace {

constexpr std::uint64_t millisecondsPerSecond = 1000;

std::uint32_t textureName(MeshManager* meshes, const char* path)
{
    const Texture* texture = meshes ? meshes->getTexture(path) : nullptr;
    return texture ? texture->glName : 0;
}

} // namespace

FrameSequence::Textures FrameSequence::load(const char* prefix)
{
    MeshManager* meshes =
        ObjectRegistry::exists() ? ObjectRegistry::instance()->findAs<MeshManager>("MeshManager") : nullptr;
    Textures textures{};
    for (int i = 0; i < frameCount; ++i) {
        char path[512];
        std::snprintf(path, sizeof path, "%s%04d.tga", prefix ? prefix : "", i);
        textures[i] = textureName(meshes, path);
    }
    return textures;
}

// Whole milliseconds times 30 / 1000, in integers so that exact frame
// boundaries never round down.
std::uint32_t FrameSequence::frameAfter(std::uint32_t elapsedMs)
{
    return static_cast<std::uint32_t>(std::uint64_t{elapsedMs} * frameCount / millisecondsPerSecond);
}

void FrameSequence::beginDrawing()
{
    glDisable(GL_LIGHTING);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void FrameSequence::endDrawing()
{
    glEnable(GL_LIGHTING);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}
