#pragma once

#include "writers/ByteWriter.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace forge {

// One triangle mesh with a texture coordinate per vertex.
struct TriMesh {
    std::string name;
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<float, 2>> texCoords;
    std::vector<std::array<std::uint16_t, 3>> faces;
};

struct ThreeDsMaterial {
    std::string name;
    std::array<std::uint8_t, 3> ambient{};
    std::array<std::uint8_t, 3> diffuse{};
    std::array<std::uint8_t, 3> specular{};
    std::string textureFile;
};

// 3D Studio files, built chunk by chunk. A chunk is a 16-bit ID and a 32-bit
// length that counts its 6 header bytes; begin()/end() nest chunks and fill in
// the lengths. rawChunk() writes any declared length, for hostile test files.
class ThreeDsWriter {
public:
    // Chunk IDs written by encode().
    enum ChunkId : std::uint16_t {
        Main = 0x4D4D, Version = 0x0002, Editor = 0x3D3D, MeshVersion = 0x3D3E,
        MasterScale = 0x0100, Colour24 = 0x0011, PercentInt = 0x0030,
        MaterialBlock = 0xAFFF, MaterialName = 0xA000, MaterialAmbient = 0xA010,
        MaterialDiffuse = 0xA020, MaterialSpecular = 0xA030, TextureMap = 0xA200,
        MapFile = 0xA300, ObjectBlock = 0x4000, TriangleMesh = 0x4100,
        VertexList = 0x4110, FaceList = 0x4120, FaceMaterial = 0x4130,
        MappingCoords = 0x4140, SmoothingGroups = 0x4150, LocalMatrix = 0x4160,
        Keyframer = 0xB000, KeyframerHeader = 0xB00A, KeyframerSegment = 0xB008,
        KeyframerTime = 0xB009, ObjectNodeTag = 0xB002, NodeId = 0xB030,
        NodeHeader = 0xB010, Pivot = 0xB013, PositionTrack = 0xB020,
        RotationTrack = 0xB021, ScaleTrack = 0xB022,
    };

    // A complete file as a modelling tool writes it: version, editor block
    // with mesh version, material and master scale, the object with vertices,
    // mapping coordinates, local matrix, faces with their material group and
    // smoothing groups, and a keyframer block for the object.
    static std::vector<std::uint8_t> encode(const TriMesh& mesh, const ThreeDsMaterial& material);

    void begin(std::uint16_t id);
    void end();
    void rawChunk(std::uint16_t id, std::uint32_t declaredLength, const std::vector<std::uint8_t>& payload);

    void vertexList(const TriMesh& mesh);
    void mappingCoords(const TriMesh& mesh);
    void faceList(const TriMesh& mesh, const std::string& materialName);

    ByteWriter& out() { return bytes; }
    // The bytes so far; every chunk must have been ended.
    const std::vector<std::uint8_t>& data() const;

private:
    void u32Chunk(std::uint16_t id, std::uint32_t value);
    void colourChunk(std::uint16_t id, const std::array<std::uint8_t, 3>& rgb);
    void material(const ThreeDsMaterial& material);
    void localMatrix();
    void keyframer(const TriMesh& mesh);
    void track(std::uint16_t id, const std::vector<float>& key);

    ByteWriter bytes;
    std::vector<std::size_t> open;
};

} // namespace forge
