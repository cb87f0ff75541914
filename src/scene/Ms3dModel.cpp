#include "scene/Ms3dModel.h"

#include "platform/FileSystem.h"
#include "scene/ByteCursor.h"

#include <algorithm>
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

// Little-endian loads from records whose bounds were checked as a whole.
std::uint16_t loadU16(const std::uint8_t* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

float loadF32(const std::uint8_t* bytes)
{
    const std::uint32_t raw = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8)
        | (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

Vec3 loadVec3(const std::uint8_t* bytes)
{
    return {loadF32(bytes), loadF32(bytes + 4), loadF32(bytes + 8)};
}

} // namespace

// Sticky-failure reads over the file buffer: a read past the end yields zero
// and fails the reader for good, so a record is read whole and checked once.
class Ms3dModel::Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : cursor(bytes) {}

    bool ok() const { return !failed; }

    void skip(std::size_t count) { check(cursor.skip(count)); }
    std::uint8_t u8() { return read<std::uint8_t>(&ByteCursor::u8); }
    std::int8_t i8() { return static_cast<std::int8_t>(u8()); }
    std::uint16_t u16() { return read<std::uint16_t>(&ByteCursor::u16); }
    std::int32_t i32() { return read<std::int32_t>(&ByteCursor::i32); }
    float f32() { return read<float>(&ByteCursor::f32); }

    Vec3 vec3()
    {
        Vec3 v;
        for (float& f : v)
            f = f32();
        return v;
    }

    std::array<float, 4> colour()
    {
        std::array<float, 4> c;
        for (float& f : c)
            f = f32();
        return c;
    }

    // The bytes of a fixed-size field up to its first zero; terminated tells
    // whether the field held a zero at all.
    std::string fixedString(std::size_t fieldSize, bool& terminated)
    {
        terminated = false;
        const std::uint8_t* bytes = nullptr;
        if (!check(!failed && cursor.take(fieldSize, bytes)))
            return {};
        const std::uint8_t* end = bytes + fieldSize;
        const std::uint8_t* zero = std::find(bytes, end, 0);
        terminated = zero != end;
        return std::string(bytes, zero);
    }

    // The next count records of recordSize bytes, taken whole so that their
    // fields need no further checks; null, failing the reader, when they do
    // not all lie in the rest of the file.
    const std::uint8_t* records(std::size_t count, std::size_t recordSize)
    {
        const std::uint8_t* bytes = nullptr;
        const bool fits = !failed && count <= cursor.remaining() / recordSize;
        return check(fits && cursor.take(count * recordSize, bytes)) ? bytes : nullptr;
    }

    // Reports and returns true when a read in this section ran past the end.
    bool truncated(const char* section) const
    {
        if (!failed)
            return false;
        fail("MS3D file is truncated in its %s.", section);
        return true;
    }

    // Refuses a count of records that cannot all lie in the rest of the file.
    bool countFits(std::size_t count, std::size_t recordSize, const char* section) const
    {
        if (!failed && count <= cursor.remaining() / recordSize)
            return true;
        fail("MS3D %s count %zu runs past the end of the file.", section, count);
        return false;
    }

private:
    bool check(bool success)
    {
        failed = failed || !success;
        return success;
    }

    template <typename T>
    T read(bool (ByteCursor::*readValue)(T&))
    {
        T value{};
        if (!failed && !check((cursor.*readValue)(value)))
            value = T{};
        return value;
    }

    ByteCursor cursor;
    bool failed = false;
};

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
    Reader reader(bytes);
    if (!parse(reader, directoryPrefix(path))) {
        clear();
        return false;
    }
    setupJoints();
    resolveTextures();
    restart();
    return true;
}

bool Ms3dModel::parse(Reader& reader, const std::string& texturePrefix)
{
    return readHeader(reader) && readVertices(reader) && readTriangles(reader) && readGroups(reader) &&
           readMaterials(reader, texturePrefix) && readJoints(reader) && checkIndices();
}

bool Ms3dModel::readHeader(Reader& reader)
{
    bool terminated = false;
    const std::string id = reader.fixedString(magicSize, terminated);
    if (!reader.ok() || terminated || std::memcmp(id.data(), magic, magicSize) != 0) {
        fail("Not an MS3D file.");
        return false;
    }
    const std::int32_t version = reader.i32();
    if (reader.truncated("header"))
        return false;
    if (version < 3) {
        fail("I know nothing about MS3D v1.2");
        return false;
    }
    return true;
}

bool Ms3dModel::readVertices(Reader& reader)
{
    const std::uint16_t count = reader.u16();
    if (reader.truncated("vertices") || !reader.countFits(count, vertexSize, "vertex"))
        return false;
    const std::uint8_t* record = reader.records(count, vertexSize);
    if (reader.truncated("vertices"))
        return false;
    m_numVertices = count;
    m_vertices.resize(count);
    for (ModelVertex& vertex : m_vertices) {
        vertex.m_position = loadVec3(record + 1);
        vertex.m_bone = static_cast<std::int8_t>(record[13]);
        record += vertexSize;
    }
    return true;
}

bool Ms3dModel::readTriangles(Reader& reader)
{
    const std::uint16_t count = reader.u16();
    if (reader.truncated("triangles") || !reader.countFits(count, triangleSize, "triangle"))
        return false;
    const std::uint8_t* record = reader.records(count, triangleSize);
    if (reader.truncated("triangles"))
        return false;
    m_numTriangles = count;
    m_triangles.resize(count);
    for (ModelTriangle& triangle : m_triangles) {
        // After the flags: indices, normals, s and t, three of each.
        for (int corner = 0; corner < 3; ++corner) {
            triangle.m_indices[corner] = loadU16(record + 2 + 2 * corner);
            triangle.m_normals[corner] = loadVec3(record + 8 + 12 * corner);
            triangle.m_u[corner] = loadF32(record + 44 + 4 * corner);
            triangle.m_v[corner] = 1.0f - loadF32(record + 56 + 4 * corner);
        }
        record += triangleSize;
    }
    return true;
}

bool Ms3dModel::readGroups(Reader& reader)
{
    const std::uint16_t count = reader.u16();
    if (reader.truncated("groups") || !reader.countFits(count, groupHeaderSize + 1, "group"))
        return false;
    m_numGroups = count;
    m_groups.resize(count);
    for (ModelGroup& group : m_groups) {
        reader.skip(1 + nameSize);
        const std::uint16_t triangleCount = reader.u16();
        if (reader.truncated("groups") || !reader.countFits(triangleCount, 2, "group triangle"))
            return false;
        const std::uint8_t* indices = reader.records(triangleCount, 2);
        if (reader.truncated("groups"))
            return false;
        group.m_triangleCount = triangleCount;
        group.m_triangleList.resize(triangleCount);
        for (std::int32_t& index : group.m_triangleList) {
            index = loadU16(indices);
            indices += 2;
        }
        group.m_material = reader.i8();
    }
    return !reader.truncated("groups");
}

bool Ms3dModel::readMaterials(Reader& reader, const std::string& texturePrefix)
{
    const std::uint16_t count = reader.u16();
    if (reader.truncated("materials") || !reader.countFits(count, materialSize, "material"))
        return false;
    m_numMaterials = count;
    m_materials.resize(count);
    for (std::size_t i = 0; i < m_materials.size(); ++i) {
        ModelMaterial& material = m_materials[i];
        reader.skip(nameSize);
        material.m_ambient = reader.colour();
        material.m_diffuse = reader.colour();
        material.m_specular = reader.colour();
        material.m_emissive = reader.colour();
        material.m_shininess = reader.f32();
        reader.skip(4 + 1);
        bool terminated = false;
        const std::string texture = reader.fixedString(textureNameSize, terminated);
        reader.skip(textureNameSize);
        if (reader.truncated("materials"))
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

bool Ms3dModel::readJoints(Reader& reader)
{
    m_fps = reader.f32();
    reader.skip(4 + 4);
    const std::uint16_t count = reader.u16();
    if (reader.truncated("animation") || !reader.countFits(count, jointHeaderSize, "joint"))
        return false;
    m_numJoints = count;
    m_joints.resize(count);
    std::vector<std::string> names(count);
    std::vector<std::string> parentNames(count);
    for (int i = 0; i < count; ++i) {
        Joint& joint = m_joints[i];
        reader.skip(1);
        bool nameTerminated = false;
        bool parentTerminated = false;
        names[i] = reader.fixedString(nameSize, nameTerminated);
        parentNames[i] = reader.fixedString(nameSize, parentTerminated);
        joint.m_bindRotation = reader.vec3();
        joint.m_bindTranslation = reader.vec3();
        joint.m_numRotationKeyframes = reader.u16();
        joint.m_numTranslationKeyframes = reader.u16();
        joint.m_rotationKeyframes.resize(joint.m_numRotationKeyframes);
        joint.m_translationKeyframes.resize(joint.m_numTranslationKeyframes);
        if (reader.truncated("joints"))
            return false;
        if (!nameTerminated || !parentTerminated) {
            fail("MS3D joint %d has a name without a terminator.", i);
            return false;
        }
        if (!readKeyframes(reader, i, true) || !readKeyframes(reader, i, false))
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

bool Ms3dModel::readKeyframes(Reader& reader, int jointIndex, bool rotation)
{
    Joint& joint = m_joints[jointIndex];
    const auto count =
        static_cast<std::size_t>(rotation ? joint.m_numRotationKeyframes : joint.m_numTranslationKeyframes);
    if (!reader.countFits(count, keyframeSize, "keyframe"))
        return false;
    const std::uint8_t* record = reader.records(count, keyframeSize);
    if (reader.truncated("keyframes"))
        return false;
    for (std::size_t k = 0; k < count; ++k) {
        setKeyframe(jointIndex, static_cast<int>(k), loadF32(record) * 1000.0f, loadVec3(record + 4), rotation);
        record += keyframeSize;
    }
    return true;
}

bool Ms3dModel::checkIndices() const
{
    for (std::int32_t i = 0; i < m_numVertices; ++i) {
        const int bone = m_vertices[i].m_bone;
        if (bone < -1 || bone >= m_numJoints) {
            fail("MS3D vertex %d names joint %d, but there are %d joints.", i, bone, m_numJoints);
            return false;
        }
    }
    for (std::int32_t i = 0; i < m_numTriangles; ++i) {
        for (const std::int32_t index : m_triangles[i].m_indices) {
            if (index >= m_numVertices) {
                fail("MS3D triangle %d names vertex %d, but there are %d vertices.", i, index, m_numVertices);
                return false;
            }
        }
    }
    for (std::int32_t i = 0; i < m_numGroups; ++i) {
        for (const std::int32_t index : m_groups[i].m_triangleList) {
            if (index >= m_numTriangles) {
                fail("MS3D group %d names triangle %d, but there are %d triangles.", i, index, m_numTriangles);
                return false;
            }
        }
        if (m_groups[i].m_material >= m_numMaterials) {
            fail("MS3D group %d names material %d, but there are %d materials.", i, m_groups[i].m_material,
                 m_numMaterials);
            return false;
        }
    }
    return true;
}
