#include "Ms3dBuilder.h"

#include "writers/ByteWriter.h"

namespace {

void vec3(forge::ByteWriter& out, const Vec3& v)
{
    for (float f : v)
        out.f32(f);
}

void colour(forge::ByteWriter& out, const std::array<float, 4>& c)
{
    for (float f : c)
        out.f32(f);
}

// Writes text into a fixed field; text of the field's full size gets no terminator.
void field(forge::ByteWriter& out, const std::string& text, std::size_t size)
{
    out.fixedString(text, size);
}

} // namespace

std::vector<std::uint8_t> Ms3dBuilder::build(Offsets* offsets) const
{
    Offsets at;
    forge::ByteWriter out;
    out.raw(magic.data(), magic.size());
    out.i32(version);

    at.vertices = out.size();
    out.u16(static_cast<std::uint16_t>(vertices.size()));
    for (const Vertex& v : vertices) {
        out.u8(0);
        vec3(out, v.position);
        out.u8(static_cast<std::uint8_t>(v.bone));
        out.u8(1);
    }

    at.triangles = out.size();
    out.u16(static_cast<std::uint16_t>(triangles.size()));
    for (const Triangle& t : triangles) {
        out.u16(0);
        for (auto index : t.indices)
            out.u16(index);
        for (const Vec3& n : t.normals)
            vec3(out, n);
        vec3(out, t.s);
        vec3(out, t.t);
        out.u8(1);
        out.u8(0);
    }

    at.groups = out.size();
    out.u16(static_cast<std::uint16_t>(groups.size()));
    for (const Group& g : groups) {
        out.u8(0);
        field(out, "group", 32);
        out.u16(static_cast<std::uint16_t>(g.triangles.size()));
        for (auto index : g.triangles)
            out.u16(index);
        out.u8(g.material);
    }

    at.materials = out.size();
    out.u16(static_cast<std::uint16_t>(materials.size()));
    for (const Material& m : materials) {
        field(out, "material", 32);
        colour(out, {0.2f, 0.2f, 0.2f, 1.0f});
        colour(out, m.diffuse);
        colour(out, {0.0f, 0.0f, 0.0f, 1.0f});
        colour(out, {0.0f, 0.0f, 0.0f, 1.0f});
        out.f32(m.shininess);
        out.f32(1.0f);
        out.u8(0);
        field(out, m.texture, 128);
        field(out, "", 128);
    }

    at.animation = out.size();
    out.f32(fps);
    out.f32(0.0f);
    out.i32(100);
    out.u16(static_cast<std::uint16_t>(joints.size()));

    at.joints = out.size();
    for (const Joint& j : joints) {
        out.u8(0);
        field(out, j.name, 32);
        field(out, j.parent, 32);
        vec3(out, j.rotation);
        vec3(out, j.position);
        out.u16(static_cast<std::uint16_t>(j.rotationKeys.size()));
        out.u16(static_cast<std::uint16_t>(j.translationKeys.size()));
        for (const Key& k : j.rotationKeys) {
            out.f32(k.seconds);
            vec3(out, k.value);
        }
        for (const Key& k : j.translationKeys) {
            out.f32(k.seconds);
            vec3(out, k.value);
        }
    }
    at.end = out.size();
    if (offsets)
        *offsets = at;
    return out.data();
}

Ms3dBuilder Ms3dBuilder::sample()
{
    Ms3dBuilder b;
    b.vertices = {{{0, 0, 0}, 0}, {{1, 0, 0}, -1}, {{0, 1, 0}, 1}};
    Triangle t;
    t.indices = {0, 1, 2};
    t.normals = {Vec3{0, 0, 1}, Vec3{0, 0, 1}, Vec3{0, 0, 1}};
    t.s = {0.0f, 1.0f, 0.0f};
    t.t = {0.0f, 0.0f, 0.25f};
    b.triangles = {t};
    b.groups = {{{0}, 0}};
    b.materials = {{{1, 0, 0, 1}, 16.0f, ".\\skin.bmp"}};
    b.joints = {{"Hip", "", {}, {0, 2, 0}, {}, {{0.0f, {0, 0, 0}}, {1.0f, {0, 1, 0}}}},
                {"Knee", "", {}, {0, -1, 0}, {{0.5f, {0, 0, 1}}}, {}}};
    b.joints[1].parent = "hip";
    return b;
}
