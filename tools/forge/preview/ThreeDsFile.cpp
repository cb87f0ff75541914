#include "preview/ThreeDsFile.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace forge {
namespace {

class Cursor {
public:
    explicit Cursor(std::vector<std::uint8_t> bytes) : bytes(std::move(bytes)) {}

    bool has(std::size_t size) const { return size <= bytes.size() - offset; }
    std::size_t position() const { return offset; }
    std::size_t size() const { return bytes.size(); }
    void skip(std::size_t size) { offset += size; }
    std::uint32_t unsignedValue(int size)
    {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
        offset += static_cast<std::size_t>(size);
        return value;
    }
    float f32()
    {
        const std::uint32_t bits = unsignedValue(4);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::uint8_t u8() { return bytes[offset++]; }

private:
    std::vector<std::uint8_t> bytes;
    std::size_t offset = 0;
};

bool readList(Cursor& in, TriMesh& mesh, std::uint16_t id)
{
    if (!in.has(2))
        return false;
    const std::uint32_t count = in.unsignedValue(2);
    if (id == ThreeDsWriter::VertexList) {
        if (!in.has(count * 12u))
            return false;
        mesh.vertices.resize(count);
        for (auto& vertex : mesh.vertices)
            for (float& coordinate : vertex)
                coordinate = in.f32();
    } else if (id == ThreeDsWriter::FaceList) {
        if (!in.has(count * 8u))
            return false;
        mesh.faces.resize(count);
        for (auto& face : mesh.faces) {
            for (auto& index : face)
                index = static_cast<std::uint16_t>(in.unsignedValue(2));
            in.skip(2);
        }
    } else {
        if (!in.has(count * 8u))
            return false;
        mesh.texCoords.resize(count);
        for (auto& uv : mesh.texCoords) {
            uv[0] = in.f32();
            uv[1] = in.f32();
        }
    }
    return true;
}

} // namespace

std::optional<TriMesh> ThreeDsFile::load(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    Cursor in(std::vector<std::uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()));
    TriMesh mesh;
    while (in.has(6) && in.position() < in.size()) {
        const auto id = static_cast<std::uint16_t>(in.unsignedValue(2));
        const std::uint32_t length = in.unsignedValue(4);
        if (length < 6)
            return std::nullopt;
        switch (id) {
        case ThreeDsWriter::Main:
        case ThreeDsWriter::Editor:
        case ThreeDsWriter::TriangleMesh:
            break;
        case ThreeDsWriter::ObjectBlock:
            mesh.name.clear();
            while (in.has(1)) {
                const char c = static_cast<char>(in.u8());
                if (c == 0)
                    break;
                mesh.name += c;
            }
            break;
        case ThreeDsWriter::VertexList:
        case ThreeDsWriter::FaceList:
        case ThreeDsWriter::MappingCoords:
            if (!readList(in, mesh, id))
                return std::nullopt;
            break;
        default:
            if (!in.has(length - 6))
                return std::nullopt;
            in.skip(length - 6);
        }
    }
    mesh.texCoords.resize(mesh.vertices.size());
    for (const auto& face : mesh.faces)
        for (const auto index : face)
            if (index >= mesh.vertices.size())
                return std::nullopt;
    return mesh;
}

} // namespace forge
