#include "scene/Ms3dModel.h"

#include "platform/FileSystem.h"
#include "scene/ByteCursor.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

constexpr char magic[] = "MS3D000000";
constexpr std::size_t magicSize = 10;
constexpr std::size_t vertexSize = 15;
constexpr std::size_t triangleSize = 70;
constexpr std::size_t groupHeaderSize = 1 + 32 + 2;
constexpr std::size_t materialSize = 361;
constexpr std::size_t animationSize = 4 + 4 + 4 + 2;
constexpr std::size_t jointHeaderSize = 93;
constexpr std::size_t keyframeSize = 16;
constexpr std::size_t nameSize = 32;
constexpr std::size_t textureNameSize = 128;

void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The loader's messages go to standard error; the owner reports to the log.
void fail(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

bool truncated(const ByteCursor& cursor, const char* section)
{
    if (cursor.ok())
        return false;
    fail("MS3D file is truncated in its %s.", section);
    return true;
}

// Refuses a count of records that cannot all lie in the rest of the file.
bool countFits(const ByteCursor& cursor, std::size_t count, std::size_t recordSize, const char* section)
{
    if (cursor.fits(count, recordSize))
        return true;
    fail("MS3D %s count %zu runs past the end of the file.", section, count);
    return false;
}

Vec3 readVec3(ByteCursor& cursor)
{
    Vec3 v;
    for (float& f : v)
        f = cursor.f32();
    return v;
}

std::array<float, 4> readColour(ByteCursor& cursor)
{
    std::array<float, 4> colour;
    for (float& f : colour)
        f = cursor.f32();
    return colour;
}

} // namespace

std::string Ms3dModel::directoryPrefix(const std::string& path)
{
    for (std::size_t i = path.size(); i-- > 1;) {
        if (path[i] == '/' || path[i] == '\\')
            return path.substr(0, i) + "/";
    }
    return {};
}

bool Ms3dModel::load(const char* path)
{
    clear();
    std::vector<std::uint8_t> bytes;
    if (!path || !platform::FileSystem::readAll(path, bytes)) {
        fail("Couldn't open the model file.");
        return false;
    }
    return loadFromBuffer(bytes, path);
}

bool Ms3dModel::loadFromBuffer(std::span<const std::uint8_t> bytes, const std::string& path)
{
    clear();
    ByteCursor cursor(bytes);
    if (!parse(cursor, directoryPrefix(path))) {
        clear();
        return false;
    }
    setupJoints();
    resolveTextures();
    restart();
    return true;
}

bool Ms3dModel::parse(ByteCursor& cursor, const std::string& texturePrefix)
{
    return readHeader(cursor) && readVertices(cursor) && readTriangles(cursor) && readGroups(cursor) &&
           readMaterials(cursor, texturePrefix) && readJoints(cursor) && checkIndices();
}

bool Ms3dModel::readHeader(ByteCursor& cursor)
{
    bool terminated = false;
    const std::string id = cursor.fixedString(magicSize, terminated);
    if (!cursor.ok() || terminated || std::memcmp(id.data(), magic, magicSize) != 0) {
        fail("Not an MS3D file.");
        return false;
    }
    const std::int32_t version = cursor.i32();
    if (truncated(cursor, "header"))
        return false;
    if (version < 3) {
        fail("I know nothing about MS3D v1.2");
        return false;
    }
    return true;
}

bool Ms3dModel::readVertices(ByteCursor& cursor)
{
    const std::uint16_t count = cursor.u16();
    if (truncated(cursor, "vertices") || !countFits(cursor, count, vertexSize, "vertex"))
        return false;
    m_vertices.resize(count);
    for (ModelVertex& vertex : m_vertices) {
        cursor.skip(1);
        vertex.m_position = readVec3(cursor);
        vertex.m_bone = cursor.i8();
        cursor.skip(1);
    }
    return !truncated(cursor, "vertices");
}

bool Ms3dModel::readTriangles(ByteCursor& cursor)
{
    const std::uint16_t count = cursor.u16();
    if (truncated(cursor, "triangles") || !countFits(cursor, count, triangleSize, "triangle"))
        return false;
    m_triangles.resize(count);
    for (ModelTriangle& triangle : m_triangles) {
        cursor.skip(2);
        for (std::int32_t& index : triangle.m_indices)
            index = cursor.u16();
        for (Vec3& normal : triangle.m_normals)
            normal = readVec3(cursor);
        triangle.m_u = readVec3(cursor);
        for (float& v : triangle.m_v)
            v = 1.0f - cursor.f32();
        cursor.skip(2);
    }
    return !truncated(cursor, "triangles");
}

bool Ms3dModel::readGroups(ByteCursor& cursor)
{
    const std::uint16_t count = cursor.u16();
    if (truncated(cursor, "groups") || !countFits(cursor, count, groupHeaderSize + 1, "group"))
        return false;
    m_groups.resize(count);
    for (ModelGroup& group : m_groups) {
        cursor.skip(1 + nameSize);
        const std::uint16_t triangleCount = cursor.u16();
        if (truncated(cursor, "groups") || !countFits(cursor, triangleCount, 2, "group triangle"))
            return false;
        group.m_triangleList.resize(triangleCount);
        for (std::int32_t& index : group.m_triangleList)
            index = cursor.u16();
        group.m_material = cursor.i8();
    }
    return !truncated(cursor, "groups");
}

bool Ms3dModel::readMaterials(ByteCursor& cursor, const std::string& texturePrefix)
{
    const std::uint16_t count = cursor.u16();
    if (truncated(cursor, "materials") || !countFits(cursor, count, materialSize, "material"))
        return false;
    m_materials.resize(count);
    for (std::size_t i = 0; i < m_materials.size(); ++i) {
        ModelMaterial& material = m_materials[i];
        cursor.skip(nameSize);
        material.m_ambient = readColour(cursor);
        material.m_diffuse = readColour(cursor);
        material.m_specular = readColour(cursor);
        material.m_emissive = readColour(cursor);
        material.m_shininess = cursor.f32();
        cursor.skip(4 + 1);
        bool terminated = false;
        const std::string texture = cursor.fixedString(textureNameSize, terminated);
        cursor.skip(textureNameSize);
        if (truncated(cursor, "materials"))
            return false;
        if (!terminated) {
            fail("MS3D material %zu has a texture name without a terminator.", i);
            return false;
        }
        material.m_textureFile = texture.starts_with(".\\") ? texturePrefix + texture.substr(2) : texture;
        if (material.m_textureFile.size() > maxTexturePathLength) {
            fail("MS3D material %zu has a texture path too long for a path.", i);
            return false;
        }
    }
    return true;
}

bool Ms3dModel::readJoints(ByteCursor& cursor)
{
    m_fps = cursor.f32();
    cursor.skip(4 + 4);
    const std::uint16_t count = cursor.u16();
    if (truncated(cursor, "animation") || !countFits(cursor, count, jointHeaderSize, "joint"))
        return false;
    m_joints.resize(count);
    std::vector<std::string> names(count);
    std::vector<std::string> parentNames(count);
    for (int i = 0; i < count; ++i) {
        Joint& joint = m_joints[i];
        cursor.skip(1);
        bool nameTerminated = false;
        bool parentTerminated = false;
        names[i] = cursor.fixedString(nameSize, nameTerminated);
        parentNames[i] = cursor.fixedString(nameSize, parentTerminated);
        joint.m_bindRotation = readVec3(cursor);
        joint.m_bindTranslation = readVec3(cursor);
        joint.m_rotationKeyframes.resize(cursor.u16());
        joint.m_translationKeyframes.resize(cursor.u16());
        if (truncated(cursor, "joints"))
            return false;
        if (!nameTerminated || !parentTerminated) {
            fail("MS3D joint %d has a name without a terminator.", i);
            return false;
        }
        if (!readKeyframes(cursor, i, true) || !readKeyframes(cursor, i, false))
            return false;
    }
    for (int i = 0; i < count; ++i) {
        if (parentNames[i].empty())
            continue;
        int parent = 0;
        while (parent < count && strcasecmp(names[parent].c_str(), parentNames[i].c_str()) != 0)
            ++parent;
        if (parent == count) {
            fail("Unable to find parent bone in MS3D file");
            return false;
        }
        m_joints[i].m_parentIndex = parent;
    }
    return true;
}

bool Ms3dModel::readKeyframes(ByteCursor& cursor, int jointIndex, bool rotation)
{
    Joint& joint = m_joints[jointIndex];
    const std::size_t count = rotation ? joint.m_rotationKeyframes.size() : joint.m_translationKeyframes.size();
    if (!countFits(cursor, count, keyframeSize, "keyframe"))
        return false;
    for (std::size_t k = 0; k < count; ++k) {
        const float seconds = cursor.f32();
        const Vec3 value = readVec3(cursor);
        setKeyframe(jointIndex, static_cast<int>(k), seconds * 1000.0f, value, rotation);
    }
    return !truncated(cursor, "keyframes");
}

bool Ms3dModel::checkIndices() const
{
    const auto vertexCount = static_cast<std::int32_t>(m_vertices.size());
    const auto triangleCount = static_cast<std::int32_t>(m_triangles.size());
    const auto materialCount = static_cast<std::int32_t>(m_materials.size());
    const auto jointCount = static_cast<std::int32_t>(m_joints.size());

    for (std::size_t i = 0; i < m_vertices.size(); ++i) {
        const int bone = m_vertices[i].m_bone;
        if (bone < -1 || bone >= jointCount) {
            fail("MS3D vertex %zu names joint %d, but there are %d joints.", i, bone, jointCount);
            return false;
        }
    }
    for (std::size_t i = 0; i < m_triangles.size(); ++i) {
        for (const std::int32_t index : m_triangles[i].m_indices) {
            if (index >= vertexCount) {
                fail("MS3D triangle %zu names vertex %d, but there are %d vertices.", i, index, vertexCount);
                return false;
            }
        }
    }
    for (std::size_t i = 0; i < m_groups.size(); ++i) {
        for (const std::int32_t index : m_groups[i].m_triangleList) {
            if (index >= triangleCount) {
                fail("MS3D group %zu names triangle %d, but there are %d triangles.", i, index, triangleCount);
                return false;
            }
        }
        if (m_groups[i].m_material >= materialCount) {
            fail("MS3D group %zu names material %d, but there are %d materials.", i, m_groups[i].m_material,
                 materialCount);
            return false;
        }
    }
    return true;
}
