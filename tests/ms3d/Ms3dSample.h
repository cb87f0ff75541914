#pragma once

#include "writers/Ms3dWriter.h"

using Ms3d = forge::Ms3dWriter;
using Keys = std::vector<Ms3d::Keyframe>;

inline Ms3d::Joint joint(std::string name, std::string parent, Ms3d::Vec3 position, Keys rotations, Keys translations)
{
    return {.name = std::move(name), .parentName = std::move(parent), .position = position,
            .rotationKeys = std::move(rotations), .translationKeys = std::move(translations)};
}

// One triangle over three vertices (vertex 0 on joint 0, vertex 2 on joint 1),
// one group, one material and two joints; the second names its parent in
// another case.
inline Ms3d::Model sampleMs3d()
{
    Ms3d::Model m;
    m.vertices = {{.position = {0, 0, 0}, .bone = 0}, {.position = {1, 0, 0}}, {.position = {0, 1, 0}, .bone = 1}};
    m.triangles = {{.indices = {0, 1, 2}, .normals = {{{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}}, .s = {0, 1, 0},
                    .t = {0, 0, 0.25f}}};
    m.groups = {{.name = {}, .triangles = {0}, .material = 0}};
    m.materials = {{.name = {}, .diffuse = {1, 0, 0, 1}, .shininess = 16.0f, .texture = ".\\skin.bmp", .alphaMap = {}}};
    m.joints = {joint("Hip", "", {0, 2, 0}, {}, {{0.0f, {0, 0, 0}}, {1.0f, {0, 1, 0}}}),
                joint("Knee", "hip", {0, -1, 0}, {{0.5f, {0, 0, 1}}}, {})};
    return m;
}

// Where each section of an encoded model starts.
struct Ms3dOffsets {
    std::size_t vertices = 14, triangles = 0, groups = 0, materials = 0, animation = 0, joints = 0;

    explicit Ms3dOffsets(const Ms3d::Model& m)
    {
        triangles = vertices + 2 + 15 * m.vertices.size();
        groups = triangles + 2 + 70 * m.triangles.size();
        materials = groups + 2;
        for (const auto& g : m.groups)
            materials += 36 + 2 * g.triangles.size();
        animation = materials + 2 + 361 * m.materials.size();
        joints = animation + 14;
    }
};
