#pragma once

#include "core/Object.h"
#include "scene/MeshData.h"

#include <cstdint>
#include <string>

// A static triangle mesh read from a 3DS file and drawn as textured
// triangles. One mesh is shared by every node drawing the same file, so each
// node sets its texture right before drawing.
class Mesh : public Object, public MeshData {
public:
    explicit Mesh(const char* name);

    // Logs the loading line and reads the file. False when the file cannot be
    // opened or its contents are refused (both reported as errors).
    bool load(const char* path);
    void draw() const;
    void setTexture(std::uint32_t name) { texture = name; }

    std::string path;
    std::uint32_t texture = 0;
};
