#include "writers/ThreeDsWriter.h"

#include <stdexcept>

namespace forge {
namespace {

constexpr std::size_t maxCount = 0xFFFF;

void checkMesh(const TriMesh& mesh)
{
    if (mesh.vertices.size() > maxCount || mesh.faces.size() > maxCount)
        throw std::invalid_argument("3DS meshes hold at most 65535 vertices and faces");
    if (mesh.texCoords.size() != mesh.vertices.size())
        throw std::invalid_argument("3DS mesh needs one mapping coordinate per vertex");
    for (const auto& face : mesh.faces)
        for (const auto index : face)
            if (index >= mesh.vertices.size())
                throw std::invalid_argument("3DS face refers to a missing vertex");
}

} // namespace

std::vector<std::uint8_t> ThreeDsWriter::encode(const TriMesh& mesh, const ThreeDsMaterial& material)
{
    checkMesh(mesh);
    ThreeDsWriter writer;
    writer.begin(Main);
    writer.u32Chunk(Version, 3);
    writer.begin(Editor);
    writer.u32Chunk(MeshVersion, 3);
    writer.material(material);
    writer.begin(MasterScale);
    writer.bytes.f32(1.0f);
    writer.end();
    writer.begin(ObjectBlock);
    writer.bytes.cString(mesh.name);
    writer.begin(TriangleMesh);
    writer.vertexList(mesh);
    writer.mappingCoords(mesh);
    writer.localMatrix();
    writer.faceList(mesh, material.name);
    writer.end();
    writer.end();
    writer.end();
    writer.keyframer(mesh);
    writer.end();
    return writer.data();
}

void ThreeDsWriter::begin(std::uint16_t id)
{
    open.push_back(bytes.size());
    bytes.u16(id);
    bytes.u32(0);
}

void ThreeDsWriter::end()
{
    if (open.empty())
        throw std::logic_error("3DS chunk ended twice");
    const std::size_t start = open.back();
    open.pop_back();
    bytes.patchU32(start + 2, static_cast<std::uint32_t>(bytes.size() - start));
}

void ThreeDsWriter::rawChunk(std::uint16_t id, std::uint32_t declaredLength,
                             const std::vector<std::uint8_t>& payload)
{
    bytes.u16(id);
    bytes.u32(declaredLength);
    bytes.raw(payload.data(), payload.size());
}

const std::vector<std::uint8_t>& ThreeDsWriter::data() const
{
    if (!open.empty())
        throw std::logic_error("3DS chunk left open");
    return bytes.data();
}

void ThreeDsWriter::vertexList(const TriMesh& mesh)
{
    begin(VertexList);
    bytes.u16(static_cast<std::uint16_t>(mesh.vertices.size()));
    for (const auto& vertex : mesh.vertices)
        for (const float coordinate : vertex)
            bytes.f32(coordinate);
    end();
}

void ThreeDsWriter::mappingCoords(const TriMesh& mesh)
{
    begin(MappingCoords);
    bytes.u16(static_cast<std::uint16_t>(mesh.texCoords.size()));
    for (const auto& uv : mesh.texCoords) {
        bytes.f32(uv[0]);
        bytes.f32(uv[1]);
    }
    end();
}

void ThreeDsWriter::faceList(const TriMesh& mesh, const std::string& materialName)
{
    begin(FaceList);
    bytes.u16(static_cast<std::uint16_t>(mesh.faces.size()));
    for (const auto& face : mesh.faces) {
        for (const auto index : face)
            bytes.u16(index);
        bytes.u16(0x0007); // all three edges visible
    }
    begin(FaceMaterial);
    bytes.cString(materialName);
    bytes.u16(static_cast<std::uint16_t>(mesh.faces.size()));
    for (std::size_t i = 0; i < mesh.faces.size(); ++i)
        bytes.u16(static_cast<std::uint16_t>(i));
    end();
    begin(SmoothingGroups);
    for (std::size_t i = 0; i < mesh.faces.size(); ++i)
        bytes.u32(1);
    end();
    end();
}

void ThreeDsWriter::u32Chunk(std::uint16_t id, std::uint32_t value)
{
    begin(id);
    bytes.u32(value);
    end();
}

void ThreeDsWriter::colourChunk(std::uint16_t id, const std::array<std::uint8_t, 3>& rgb)
{
    begin(id);
    begin(Colour24);
    for (const auto channel : rgb)
        bytes.u8(channel);
    end();
    end();
}

void ThreeDsWriter::material(const ThreeDsMaterial& material)
{
    begin(MaterialBlock);
    begin(MaterialName);
    bytes.cString(material.name);
    end();
    colourChunk(MaterialAmbient, material.ambient);
    colourChunk(MaterialDiffuse, material.diffuse);
    colourChunk(MaterialSpecular, material.specular);
    if (!material.textureFile.empty()) {
        begin(TextureMap);
        begin(PercentInt);
        bytes.u16(100);
        end();
        begin(MapFile);
        bytes.cString(material.textureFile);
        end();
        end();
    }
    end();
}

void ThreeDsWriter::localMatrix()
{
    begin(LocalMatrix);
    const float identity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    for (const float value : identity)
        bytes.f32(value);
    end();
}

void ThreeDsWriter::keyframer(const TriMesh& mesh)
{
    begin(Keyframer);
    begin(KeyframerHeader);
    bytes.u16(5);
    bytes.cString("MAXSCENE");
    bytes.u32(100);
    end();
    begin(KeyframerSegment);
    bytes.u32(0);
    bytes.u32(100);
    end();
    u32Chunk(KeyframerTime, 0);
    begin(ObjectNodeTag);
    begin(NodeId);
    bytes.u16(0);
    end();
    begin(NodeHeader);
    bytes.cString(mesh.name);
    bytes.u16(0x4000);
    bytes.u16(0);
    bytes.u16(0xFFFF); // no parent
    end();
    begin(Pivot);
    for (int i = 0; i < 3; ++i)
        bytes.f32(0.0f);
    end();
    track(PositionTrack, {0, 0, 0});
    track(RotationTrack, {0, 0, 0, 1});
    track(ScaleTrack, {1, 1, 1});
    end();
    end();
}

// A track with one key at frame 0 and no spline parameters.
void ThreeDsWriter::track(std::uint16_t id, const std::vector<float>& key)
{
    begin(id);
    bytes.u16(0);
    bytes.u32(0);
    bytes.u32(0);
    bytes.u32(1);
    bytes.u32(0);
    bytes.u16(0);
    for (const float value : key)
        bytes.f32(value);
    end();
}

} // namespace forge
