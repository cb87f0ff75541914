#include "PosedModel.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <strings.h>

namespace preview {

Matrix Matrix::euler(const Vec3& a)
{
    const float cr = std::cos(a[0]), sr = std::sin(a[0]);
    const float cp = std::cos(a[1]), sp = std::sin(a[1]);
    const float cy = std::cos(a[2]), sy = std::sin(a[2]);
    Matrix r;
    r.m[0] = cp * cy;
    r.m[1] = cp * sy;
    r.m[2] = -sp;
    r.m[4] = sr * sp * cy - cr * sy;
    r.m[5] = sr * sp * sy + cr * cy;
    r.m[6] = sr * cp;
    r.m[8] = cr * sp * cy + sr * sy;
    r.m[9] = cr * sp * sy - sr * cy;
    r.m[10] = cr * cp;
    return r;
}

Matrix Matrix::operator*(const Matrix& b) const
{
    Matrix r;
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 4; ++i) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += m[k * 4 + i] * b.m[c * 4 + k];
            r.m[c * 4 + i] = sum;
        }
    return r;
}

Vec3 Matrix::point(const Vec3& v) const
{
    return {v[0] * m[0] + v[1] * m[4] + v[2] * m[8] + m[12], v[0] * m[1] + v[1] * m[5] + v[2] * m[9] + m[13],
            v[0] * m[2] + v[1] * m[6] + v[2] * m[10] + m[14]};
}

Vec3 Matrix::direction(const Vec3& v) const
{
    return {v[0] * m[0] + v[1] * m[4] + v[2] * m[8], v[0] * m[1] + v[1] * m[5] + v[2] * m[9],
            v[0] * m[2] + v[1] * m[6] + v[2] * m[10]};
}

Matrix Matrix::inverseRigid() const
{
    Matrix r;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 3; ++i)
            r.m[c * 4 + i] = m[i * 4 + c];
    const Vec3 t = r.direction({m[12], m[13], m[14]});
    r.m[12] = -t[0];
    r.m[13] = -t[1];
    r.m[14] = -t[2];
    return r;
}

namespace {

class Reader {
public:
    explicit Reader(std::vector<char> data) : data(std::move(data)) {}
    bool ok() const { return good; }
    template <typename T>
    T get()
    {
        T value{};
        if (offset + sizeof(T) > data.size()) {
            good = false;
            return value;
        }
        std::memcpy(&value, data.data() + offset, sizeof(T));
        offset += sizeof(T);
        return value;
    }
    Vec3 vec3() { return {get<float>(), get<float>(), get<float>()}; }
    std::string text(std::size_t size)
    {
        if (offset + size > data.size()) {
            good = false;
            return {};
        }
        std::string s(data.data() + offset, size);
        offset += size;
        return s.substr(0, s.find('\0'));
    }
    void skip(std::size_t size) { offset + size > data.size() ? void(good = false) : void(offset += size); }

private:
    std::vector<char> data;
    std::size_t offset = 0;
    bool good = true;
};

Vec3 sample(const std::vector<PosedModel::Key>& keys, float ms)
{
    if (keys.empty())
        return {0, 0, 0};
    std::size_t frame = 0;
    while (frame < keys.size() && keys[frame].ms < ms)
        ++frame;
    if (frame == 0)
        return keys.front().value;
    if (frame == keys.size())
        return keys.back().value;
    const auto& prev = keys[frame - 1];
    const auto& cur = keys[frame];
    const float k = (ms - prev.ms) / (cur.ms - prev.ms);
    Vec3 v;
    for (int i = 0; i < 3; ++i)
        v[i] = prev.value[i] + (cur.value[i] - prev.value[i]) * k;
    return v;
}

} // namespace

std::string PosedModel::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "cannot open " + path;
    Reader r(std::vector<char>(std::istreambuf_iterator<char>(in), {}));
    if (r.text(10) != "MS3D000000" || r.get<std::int32_t>() != 4)
        return "not an MS3D version 4 file";
    const auto vertexCount = r.get<std::uint16_t>();
    for (int i = 0; i < vertexCount; ++i) {
        r.skip(1);
        vertices.push_back(r.vec3());
        bones.push_back(r.get<std::int8_t>());
        r.skip(1);
    }
    const auto triangleCount = r.get<std::uint16_t>();
    for (int i = 0; i < triangleCount; ++i) {
        r.skip(2);
        std::array<Corner, 3> tri{};
        for (auto& c : tri)
            c.vertex = r.get<std::uint16_t>();
        for (auto& c : tri)
            c.normal = r.vec3();
        for (auto& c : tri)
            c.s = r.get<float>();
        for (auto& c : tri)
            c.t = r.get<float>();
        r.skip(2);
        triangles.push_back(tri);
    }
    const auto groupCount = r.get<std::uint16_t>();
    for (int i = 0; i < groupCount; ++i) {
        r.skip(33);
        r.skip(2u * r.get<std::uint16_t>() + 1);
    }
    const auto materialCount = r.get<std::uint16_t>();
    for (int i = 0; i < materialCount; ++i) {
        r.skip(32 + 17 * 4 + 4 + 1);
        const std::string name = r.text(128);
        if (i == 0)
            texture = name;
        r.skip(128);
    }
    fps = r.get<float>();
    r.skip(8);
    const auto jointCount = r.get<std::uint16_t>();
    for (int i = 0; i < jointCount && r.ok(); ++i) {
        Joint j;
        r.skip(1);
        j.name = r.text(32);
        const std::string parent = r.text(32);
        const Vec3 rotation = r.vec3();
        const Vec3 position = r.vec3();
        const auto rotationKeys = r.get<std::uint16_t>();
        const auto translationKeys = r.get<std::uint16_t>();
        for (int k = 0; k < rotationKeys; ++k)
            j.rotations.push_back({r.get<float>() * 1000.0f, r.vec3()});
        for (int k = 0; k < translationKeys; ++k)
            j.translations.push_back({r.get<float>() * 1000.0f, r.vec3()});
        for (int p = 0; p < static_cast<int>(joints.size()) && !parent.empty(); ++p)
            if (strcasecmp(joints[p].name.c_str(), parent.c_str()) == 0) {
                j.parent = p;
                break;
            }
        if (!parent.empty() && j.parent < 0)
            return "parent " + parent + " not found before " + j.name;
        j.bindRelative = Matrix::euler(rotation);
        j.bindRelative.m[12] = position[0];
        j.bindRelative.m[13] = position[1];
        j.bindRelative.m[14] = position[2];
        j.bindAbsolute = j.parent < 0 ? j.bindRelative : joints[j.parent].bindAbsolute * j.bindRelative;
        joints.push_back(j);
    }
    if (!r.ok())
        return "file is truncated";
    for (const auto& tri : triangles)
        for (const auto& c : tri)
            if (c.vertex >= vertices.size())
                return "triangle corner out of range";
    for (std::size_t v = 0; v < vertices.size(); ++v)
        if (bones[v] >= static_cast<int>(joints.size()))
            return "vertex bone out of range";
    return {};
}

void PosedModel::pose(float ms, std::vector<Vec3>& positions, std::vector<Vec3>& normals) const
{
    std::vector<Matrix> poses;
    for (const auto& j : joints) {
        Matrix local = Matrix::euler(sample(j.rotations, ms));
        const Vec3 t = sample(j.translations, ms);
        local.m[12] = t[0];
        local.m[13] = t[1];
        local.m[14] = t[2];
        const Matrix relative = j.bindRelative * local;
        poses.push_back(j.parent < 0 ? relative : poses[j.parent] * relative);
    }
    positions.clear();
    normals.clear();
    for (const auto& tri : triangles)
        for (const auto& c : tri) {
            const int bone = bones[c.vertex];
            if (bone < 0) {
                positions.push_back(vertices[c.vertex]);
                normals.push_back(c.normal);
                continue;
            }
            const Matrix skin = poses[bone] * joints[bone].bindAbsolute.inverseRigid();
            positions.push_back(skin.point(vertices[c.vertex]));
            normals.push_back(skin.direction(c.normal));
        }
}

} // namespace preview
