// Feeds arbitrary bytes to the 3DS chunk reader the mesh loader uses, with its
// chunk trace, then checks every index the mesh's drawing will follow.

#include "FuzzCheck.h"

#include "scene/ThreeDsReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::FILE* trace = nullptr;

// One mesh reused for every input and cleared to its freshly built state, so
// that each run does not allocate and release the three fixed-size arrays.
MeshData& freshMesh()
{
    static MeshData mesh;
    mesh.objectName.fill('\0');
    mesh.vertexCount = 0;
    mesh.polygonCount = 0;
    std::fill(mesh.vertices.begin(), mesh.vertices.end(), MeshData::Position{0, 0, 0});
    std::fill(mesh.polygons.begin(), mesh.polygons.end(), MeshData::Triangle{0, 0, 0});
    std::fill(mesh.texCoords.begin(), mesh.texCoords.end(), MeshData::TexCoord{0, 0});
    return mesh;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    trace = std::fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MeshData& mesh = freshMesh();
    const ThreeDsReader::Result result = ThreeDsReader::read({data, size}, "Data/Models/fuzz.3ds", mesh, trace);
    fuzzCheck((result.status == ThreeDsReader::Status::Complete) == result.message.empty(),
              "only a complete walk has no message");
    if (result.status == ThreeDsReader::Status::Refused)
        return 0;
    fuzzCheck(mesh.vertexCount >= 0 && mesh.vertexCount <= MeshData::capacity, "vertex count within capacity");
    fuzzCheck(mesh.polygonCount >= 0 && mesh.polygonCount <= MeshData::capacity, "polygon count within capacity");
    for (int i = 0; i < mesh.polygonCount; ++i) {
        const MeshData::Triangle& triangle = mesh.polygons[i];
        for (const std::uint32_t index : {triangle.a, triangle.b, triangle.c})
            fuzzCheck(index < mesh.vertices.size() && index < mesh.texCoords.size(), "faces index stored vertices");
    }
    return 0;
}
