#pragma once

#include "writers/Ms3dWriter.h"

using Ms3d = forge::Ms3dWriter;
using Keys = std::vector<Ms3d::Keyframe>;

inline Ms3d::Group group(std::vector<std::uint16_t> triangles, std::int8_t material = -1)
{
    Ms3d::Group g;
    g.triangles = std::move(triangles);
    g.material = material;
    return g;
}

inline Ms3d::Material material(std::string texture, float shininess = 0.0f, Ms3d::Colour diffuse = {1, 1, 1, 1})
{
    Ms3d::Material m;
    m.texture = std::move(texture);
    m.shininess = shininess;
    m.diffuse = diffuse;
    return m;
}

inline Ms3d::Joint joint(std::string name, std::string parent, Ms3d::Vec3 position, Keys rotations, Keys translations)
{
    Ms3d::Joint j;
    j.name = std::move(name);
    j.parentName = std::move(parent);
    j.position = position;
    j.rotationKeys = std::move(rotations);
    j.translationKeys = std::move(translations);
    return j;
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
    m.groups = {group({0}, 0)};
    m.materials = {material(".\\skin.bmp", 16.0f, {1, 0, 0, 1})};
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
