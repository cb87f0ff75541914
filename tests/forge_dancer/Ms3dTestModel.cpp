#include "Ms3dTestModel.h"

#include <cmath>
#include <cstring>
#include <strings.h>

namespace {

using Vec3 = Ms3dTestModel::Vec3;
using Matrix = Ms3dTestModel::Matrix;

class Cursor {
public:
    explicit Cursor(const std::vector<std::uint8_t>& bytes) : bytes(bytes) {}
    bool failed = false;

    template <typename T>
    T get()
    {
        T value{};
        if (at + sizeof(T) > bytes.size()) {
            failed = true;
            return value;
        }
        std::memcpy(&value, bytes.data() + at, sizeof(T));
        at += sizeof(T);
        return value;
    }
    Vec3 vec3() { return {get<float>(), get<float>(), get<float>()}; }
    std::string text(std::size_t size)
    {
        if (at + size > bytes.size()) {
            failed = true;
            return {};
        }
        std::string s(reinterpret_cast<const char*>(bytes.data()) + at, size);
        at += size;
        return s.substr(0, s.find('\0'));
    }
    void skip(std::size_t size) { text(size); }

private:
    const std::vector<std::uint8_t>& bytes;
    std::size_t at = 0;
};

Matrix euler(const Vec3& a, const Vec3& t)
{
    const float cr = std::cos(a[0]), sr = std::sin(a[0]), cp = std::cos(a[1]), sp = std::sin(a[1]);
    const float cy = std::cos(a[2]), sy = std::sin(a[2]);
    return {cp * cy, cp * sy, -sp, 0, sr * sp * cy - cr * sy, sr * sp * sy + cr * cy, sr * cp, 0,
            cr * sp * cy + sr * sy, cr * sp * sy - sr * cy, cr * cp, 0, t[0], t[1], t[2], 1};
}

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix r{};
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k)
                r[c * 4 + i] += a[k * 4 + i] * b[c * 4 + k];
    return r;
}

Vec3 apply(const Matrix& m, const Vec3& v)
{
    return {v[0] * m[0] + v[1] * m[4] + v[2] * m[8] + m[12], v[0] * m[1] + v[1] * m[5] + v[2] * m[9] + m[13],
            v[0] * m[2] + v[1] * m[6] + v[2] * m[10] + m[14]};
}

// The position relative to a joint's rest frame: untranslate, then unrotate.
Vec3 intoJoint(const Matrix& m, Vec3 v)
{
    for (int i = 0; i < 3; ++i)
        v[i] -= m[12 + i];
    return {v[0] * m[0] + v[1] * m[1] + v[2] * m[2], v[0] * m[4] + v[1] * m[5] + v[2] * m[6],
            v[0] * m[8] + v[1] * m[9] + v[2] * m[10]};
}

Vec3 sample(const std::vector<Ms3dTestModel::Key>& keys, float ms)
{
    if (keys.empty())
        return {0, 0, 0};
    std::size_t frame = 0;
    while (frame < keys.size() && keys[frame].seconds * 1000.0f < ms)
        ++frame;
    if (frame == 0)
        return keys.front().value;
    if (frame == keys.size())
        return keys.back().value;
    const auto& prev = keys[frame - 1];
    const auto& cur = keys[frame];
    const float k = (ms - prev.seconds * 1000.0f) / ((cur.seconds - prev.seconds) * 1000.0f);
    return {prev.value[0] + (cur.value[0] - prev.value[0]) * k, prev.value[1] + (cur.value[1] - prev.value[1]) * k,
            prev.value[2] + (cur.value[2] - prev.value[2]) * k};
}

std::vector<Matrix> bindPoses(const std::vector<Ms3dTestModel::Joint>& joints)
{
    std::vector<Matrix> bind;
    for (const auto& j : joints) {
        const Matrix relative = euler(j.rotation, j.position);
        bind.push_back(j.parent < 0 ? relative : multiply(bind[j.parent], relative));
    }
    return bind;
}

} // namespace

std::string Ms3dTestModel::parse(const std::vector<std::uint8_t>& bytes)
{
    Cursor in(bytes);
    if (in.text(10) != "MS3D000000")
        return "bad magic";
    version = in.get<std::int32_t>();
    const auto vertexCount = in.get<std::uint16_t>();
    for (int i = 0; i < vertexCount && !in.failed; ++i) {
        in.skip(1);
        vertices.push_back(in.vec3());
        bones.push_back(in.get<std::int8_t>());
        in.skip(1);
    }
    const auto triangleCount = in.get<std::uint16_t>();
    for (int i = 0; i < triangleCount && !in.failed; ++i) {
        in.skip(2);
        triangles.push_back({in.get<std::uint16_t>(), in.get<std::uint16_t>(), in.get<std::uint16_t>()});
        in.skip(9 * 4 + 6 * 4 + 2);
    }
    const auto groupCount = in.get<std::uint16_t>();
    for (int i = 0; i < groupCount && !in.failed; ++i) {
        in.skip(33);
        std::vector<std::uint16_t> list(in.get<std::uint16_t>());
        for (auto& t : list)
            t = in.get<std::uint16_t>();
        groupTriangles.push_back(list);
        groupMaterials.push_back(in.get<std::int8_t>());
    }
    const auto materialCount = in.get<std::uint16_t>();
    for (int i = 0; i < materialCount && !in.failed; ++i) {
        in.skip(32 + 16 * 4 + 4 + 4 + 1);
        textures.push_back(in.text(128));
        in.skip(128);
    }
    fps = in.get<float>();
    in.skip(8);
    const auto jointCount = in.get<std::uint16_t>();
    for (int i = 0; i < jointCount && !in.failed; ++i) {
        Joint j;
        in.skip(1);
        j.name = in.text(32);
        j.parentName = in.text(32);
        j.rotation = in.vec3();
        j.position = in.vec3();
        const auto rotationCount = in.get<std::uint16_t>();
        const auto translationCount = in.get<std::uint16_t>();
        for (int k = 0; k < rotationCount && !in.failed; ++k)
            j.rotations.push_back({in.get<float>(), in.vec3()});
        for (int k = 0; k < translationCount && !in.failed; ++k)
            j.translations.push_back({in.get<float>(), in.vec3()});
        for (std::size_t p = 0; p < joints.size() && !j.parentName.empty() && j.parent < 0; ++p)
            if (strcasecmp(joints[p].name.c_str(), j.parentName.c_str()) == 0)
                j.parent = static_cast<int>(p);
        if (!j.parentName.empty() && j.parent < 0)
            return "joint " + j.name + " names a parent not listed before it";
        joints.push_back(j);
    }
    return in.failed ? "truncated" : "";
}

std::vector<Matrix> Ms3dTestModel::jointPoses(float ms) const
{
    std::vector<Matrix> poses;
    for (const auto& j : joints) {
        const Matrix relative =
            multiply(euler(j.rotation, j.position), euler(sample(j.rotations, ms), sample(j.translations, ms)));
        poses.push_back(j.parent < 0 ? relative : multiply(poses[j.parent], relative));
    }
    return poses;
}

std::vector<Vec3> Ms3dTestModel::pose(float ms) const
{
    const auto bind = bindPoses(joints);
    const auto poses = jointPoses(ms);
    std::vector<Vec3> placed;
    for (std::size_t v = 0; v < vertices.size(); ++v) {
        const int bone = bones[v];
        placed.push_back(bone < 0 || bone >= static_cast<int>(joints.size()) ? vertices[v] : apply(poses[bone], intoJoint(bind[bone], vertices[v])));
    }
    return placed;
}
