#include "writers/Ms3dWriter.h"

#include "writers/ByteWriter.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace forge {
namespace {

std::uint16_t count16(std::size_t count, const char* what)
{
    if (count > std::numeric_limits<std::uint16_t>::max())
        throw std::length_error(std::string("MS3D: too many ") + what);
    return static_cast<std::uint16_t>(count);
}

void vec3(ByteWriter& out, const Ms3dWriter::Vec3& v)
{
    for (float f : v)
        out.f32(f);
}

void colour(ByteWriter& out, const Ms3dWriter::Colour& c)
{
    for (float f : c)
        out.f32(f);
}

void vertices(ByteWriter& out, const Ms3dWriter::Model& model)
{
    out.u16(count16(model.vertices.size(), "vertices"));
    for (const auto& v : model.vertices) {
        out.u8(v.flags);
        vec3(out, v.position);
        out.u8(static_cast<std::uint8_t>(v.bone));
        out.u8(v.referenceCount);
    }
}

void triangles(ByteWriter& out, const Ms3dWriter::Model& model)
{
    out.u16(count16(model.triangles.size(), "triangles"));
    for (const auto& t : model.triangles) {
        out.u16(t.flags);
        for (auto index : t.indices)
            out.u16(index);
        for (const auto& normal : t.normals)
            vec3(out, normal);
        vec3(out, t.s);
        vec3(out, t.t);
        out.u8(t.smoothingGroup);
        out.u8(t.groupIndex);
    }
}

void groups(ByteWriter& out, const Ms3dWriter::Model& model)
{
    out.u16(count16(model.groups.size(), "groups"));
    for (const auto& g : model.groups) {
        out.u8(g.flags);
        out.fixedString(g.name, Ms3dWriter::nameSize);
        out.u16(count16(g.triangles.size(), "group triangles"));
        for (auto index : g.triangles)
            out.u16(index);
        out.u8(static_cast<std::uint8_t>(g.material));
    }
}

void materials(ByteWriter& out, const Ms3dWriter::Model& model)
{
    out.u16(count16(model.materials.size(), "materials"));
    for (const auto& m : model.materials) {
        out.fixedString(m.name, Ms3dWriter::nameSize);
        colour(out, m.ambient);
        colour(out, m.diffuse);
        colour(out, m.specular);
        colour(out, m.emissive);
        out.f32(m.shininess);
        out.f32(m.transparency);
        out.u8(m.mode);
        out.fixedString(m.texture, Ms3dWriter::pathSize);
        out.fixedString(m.alphaMap, Ms3dWriter::pathSize);
    }
}

void keyframes(ByteWriter& out, const std::vector<Ms3dWriter::Keyframe>& keys)
{
    for (const auto& key : keys) {
        out.f32(key.seconds);
        vec3(out, key.value);
    }
}

void animation(ByteWriter& out, const Ms3dWriter::Model& model)
{
    out.f32(model.fps);
    out.f32(model.currentTime);
    out.i32(model.totalFrames);
    out.u16(count16(model.joints.size(), "joints"));
    for (const auto& j : model.joints) {
        out.u8(j.flags);
        out.fixedString(j.name, Ms3dWriter::nameSize);
        out.fixedString(j.parentName, Ms3dWriter::nameSize);
        vec3(out, j.rotation);
        vec3(out, j.position);
        out.u16(count16(j.rotationKeys.size(), "rotation keyframes"));
        out.u16(count16(j.translationKeys.size(), "translation keyframes"));
        keyframes(out, j.rotationKeys);
        keyframes(out, j.translationKeys);
    }
}

} // namespace

void Ms3dWriter::countReferences(Model& model)
{
    for (auto& v : model.vertices)
        v.referenceCount = 0;
    for (const auto& t : model.triangles)
        for (auto index : t.indices)
            if (index < model.vertices.size()) {
                auto& refs = model.vertices[index].referenceCount;
                refs = static_cast<std::uint8_t>(std::min(255, refs + 1));
            }
}

std::vector<std::uint8_t> Ms3dWriter::encode(const Model& model)
{
    ByteWriter out;
    out.raw("MS3D000000", 10);
    out.i32(model.version);
    vertices(out, model);
    triangles(out, model);
    groups(out, model);
    materials(out, model);
    animation(out, model);
    return std::move(out.data());
}

} // namespace forge
