#pragma once

#include "core/Object.h"
#include "scene/Mesh.h"
#include "scene/Texture.h"

#include <cstdint>
#include <memory>
#include <vector>

// The one cache of meshes and textures, keyed by the exact path string
// (case-sensitive, separators as given). Registered as "MeshManager".
class MeshManager : public Object {
public:
    static constexpr std::uint32_t noTexture = 0xFFFFFFFF;

    MeshManager();
    ~MeshManager() override;

    // The cached mesh, or a newly loaded one; null when loading fails (then
    // nothing is cached and the next request tries again).
    Mesh* getMesh(const char* path);
    // The cached record, or a newly loaded one. Null only for a BMP that cannot
    // be opened; records of failed TGA files stay cached with glName 0.
    Texture* getTexture(const char* path);
    // glName of getTexture's record, or noTexture when it gives null.
    std::uint32_t getTextureName(const char* path);

    const std::vector<std::unique_ptr<Mesh>>& getMeshes() const { return meshes; }
    const std::vector<std::unique_ptr<Texture>>& getTextures() const { return textures; }

private:
    std::vector<std::unique_ptr<Mesh>> meshes;
    std::vector<std::unique_ptr<Texture>> textures;
};
