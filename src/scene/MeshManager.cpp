#include "scene/MeshManager.h"

MeshManager::MeshManager()
    : Object(true, "MeshManager")
{
}

MeshManager::~MeshManager()
{
    // Meshes go in load order.
    for (auto& mesh : meshes)
        mesh.reset();
    for (auto& texture : textures)
        texture.reset();
}

Mesh* MeshManager::getMesh(const char* path)
{
    const char* key = path ? path : "";
    for (const auto& mesh : meshes) {
        if (mesh->path == key)
            return mesh.get();
    }
    auto mesh = std::make_unique<Mesh>(key);
    if (!mesh->load(key))
        return nullptr;
    meshes.push_back(std::move(mesh));
    return meshes.back().get();
}

Texture* MeshManager::getTexture(const char* path)
{
    const char* key = path ? path : "";
    for (const auto& texture : textures) {
        if (texture->path == key)
            return texture.get();
    }
    auto texture = std::make_unique<Texture>(key);
    if (texture->loadTexture(key) < 0)
        return nullptr;
    textures.push_back(std::move(texture));
    return textures.back().get();
}

std::uint32_t MeshManager::getTextureName(const char* path)
{
    const Texture* texture = getTexture(path);
    return texture ? texture->glName : noTexture;
}
