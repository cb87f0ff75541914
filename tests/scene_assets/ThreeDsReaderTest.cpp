#include "AssetFiles.h"

#include "scene/ThreeDsReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace assetfiles;
using Status = ThreeDsReader::Status;

namespace {

struct Read {
    ThreeDsReader::Result result;
    std::unique_ptr<MeshData> mesh = std::make_unique<MeshData>();
    std::string trace;
};

Read readMesh(const Bytes& bytes)
{
    Read r;
    std::FILE* trace = std::tmpfile();
    r.result = ThreeDsReader::read(bytes, "m.3ds", *r.mesh, trace);
    std::rewind(trace);
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, trace)) > 0)
        r.trace.append(buffer, got);
    std::fclose(trace);
    return r;
}

Bytes realFile(const std::string& name)
{
    const std::string text = testsupport::readFile(std::string(FLAREVOX_TEST_DATA) + "/realfiles/" + name);
    return Bytes(text.begin(), text.end());
}

std::vector<std::array<float, 3>> points(int count)
{
    return std::vector<std::array<float, 3>>(count, {1, 2, 3});
}

// Face counts agree with `assimp info`; assimp's vertex counts differ from the
// files' own lists because it splits vertices by smoothing group.
TEST(ThreeDsReader, RealFilesKeepTheLastObject)
{
    struct Expected {
        const char* file;
        const char* object;
        int vertices;
        int polygons;
    };
    for (const Expected& e : {Expected{"cube_with_diffuse_texture.3DS", "Quader01", 32, 12},
             Expected{"RotatingCube.3DS", "Box01", 26, 12}, Expected{"test1.3ds", "Box10", 32, 12}}) {
        const Read r = readMesh(realFile(e.file));
        EXPECT_EQ(r.result.status, Status::Complete) << e.file << ": " << r.result.message;
        EXPECT_EQ(r.mesh->objectNameText(), e.object);
        EXPECT_EQ(r.mesh->vertexCount, e.vertices);
        EXPECT_EQ(r.mesh->polygonCount, e.polygons);
        for (int i = 0; i < r.mesh->polygonCount; ++i)
            EXPECT_LT(r.mesh->polygons[i].c, static_cast<std::uint32_t>(e.vertices));
    }
}

TEST(ThreeDsReader, ReadsListsAndTracesEveryChunk)
{
    const Read r = readMesh(square());
    ASSERT_EQ(r.result.status, Status::Complete);
    EXPECT_EQ(r.mesh->objectNameText(), "Square");
    EXPECT_EQ(r.mesh->vertices[2].x, 1.0f);
    EXPECT_EQ(r.mesh->vertices[3].y, 1.0f);
    EXPECT_EQ(r.mesh->texCoords[1].u, 1.0f);
    EXPECT_EQ(r.mesh->polygons[1].c, 3u);
    EXPECT_EQ(r.trace,
        "ChunkID: 4d4d\nChunkLenght: b3\nChunkID: 3d3d\nChunkLenght: ad\nChunkID: 4000\nChunkLenght: a7\n"
        "ChunkID: 4100\nChunkLenght: 9a\nChunkID: 4110\nChunkLenght: 38\nNumber of vertices: 4\n"
        "ChunkID: 4140\nChunkLenght: 28\nChunkID: 4120\nChunkLenght: 34\nNumber of polygons: 2\n"
        "Face flags: 7\nFace flags: 7\nChunkID: 4130\nChunkLenght: e\nChunkID: 4150\nChunkLenght: e\n");
}

TEST(ThreeDsReader, SkipsUnknownChunksAndFaceSubChunks)
{
    const Read r = readMesh(cat(chunk(0xB000, Bytes(40, 0x41)),
        model("K", cat(cat(vertexList(points(3)), chunk(0x4160, Bytes(48, 0x10))), faceList({{0, 1, 2}})))));
    EXPECT_EQ(r.result.status, Status::Complete);
    EXPECT_EQ(r.mesh->polygonCount, 1);
}

TEST(ThreeDsReader, ObjectWithoutListsAndMeshWithoutMapping)
{
    const Read empty = readMesh(model("Empty", {}));
    EXPECT_EQ(empty.result.status, Status::Complete);
    EXPECT_EQ(empty.mesh->vertexCount, 0);
    EXPECT_EQ(empty.mesh->polygonCount, 0);

    const Read bare = readMesh(model("Bare", cat(vertexList(points(3)), faceList({{0, 1, 2}}))));
    EXPECT_EQ(bare.mesh->texCoords[2].u, 0.0f);
    EXPECT_EQ(bare.mesh->texCoords[2].v, 0.0f);
}

// The arrays grow to the longest list read and never shrink, so every index a
// face may hold, and every vertex's texture coordinate, stays inside them.
TEST(ThreeDsReader, ArraysGrowToTheLongestListAndKeepEarlierEntries)
{
    const std::vector<std::array<float, 3>> later(2, {4, 5, 6});
    const Read r = readMesh(model("Two", cat(cat(vertexList(points(5)), vertexList(later)), faceList({{0, 1, 1}}))));
    ASSERT_EQ(r.result.status, Status::Complete);
    EXPECT_EQ(r.mesh->vertexCount, 2);
    EXPECT_EQ(r.mesh->vertices[0].x, 4.0f);
    ASSERT_GE(r.mesh->vertices.size(), 5u);
    EXPECT_EQ(r.mesh->vertices[4].x, 1.0f);
    EXPECT_GE(r.mesh->texCoords.size(), 5u);
    EXPECT_EQ(r.mesh->texCoords[4].u, 0.0f);

    const Read extraMapping = readMesh(model("M", cat(vertexList(points(2)), mapping({{1, 1}, {1, 1}, {0.5f, 2}}))));
    ASSERT_GE(extraMapping.mesh->texCoords.size(), 3u);
    EXPECT_EQ(extraMapping.mesh->texCoords[2].v, 2.0f);

    // A list cut short still covers its announced count with zeros.
    const Read cut = readMesh(model("Cut", vertexList(points(2), 40)));
    EXPECT_EQ(cut.result.status, Status::Stopped);
    EXPECT_EQ(cut.mesh->vertexCount, 2);
    EXPECT_LE(cut.mesh->vertices.size(), static_cast<std::size_t>(MeshData::capacity));
    EXPECT_GE(cut.mesh->texCoords.size(), 2u);
}

TEST(ThreeDsReader, LongObjectNamesAreCutAndSkippedToTheirEnd)
{
    for (const std::string name : {"12345678901234567890", "1234567890123456789012345"}) {
        const Read r = readMesh(model(name, vertexList(points(5))));
        EXPECT_EQ(r.result.status, Status::Complete) << r.result.message;
        EXPECT_EQ(std::string(r.mesh->objectName.data(), 20), name.substr(0, 20));
        EXPECT_EQ(r.mesh->vertexCount, 5);
    }
    const Read nineteen = readMesh(model("1234567890123456789", {}));
    EXPECT_EQ(nineteen.mesh->objectName[19], '\0');
}

TEST(ThreeDsReader, BrokenChunkLengthsStopTheWalk)
{
    const Bytes before = model("A", vertexList(points(2)));
    for (const std::uint32_t length : {0u, 5u, 9u, 0xFFFFFFFFu}) {
        const Read r = readMesh(cat(before, chunk(0x1234, {0, 0}, length)));
        EXPECT_EQ(r.result.status, Status::Stopped) << length;
        EXPECT_EQ(r.result.message, "Invalid chunk length in the model file 'm.3ds'; the rest is ignored.");
        EXPECT_EQ(r.mesh->vertexCount, 2);
    }
    EXPECT_EQ(readMesh({0x4D, 0x4D, 6}).result.message, "The model file 'm.3ds' ends inside a chunk header.");

    // The containers' lengths are never used, so wrong ones lose nothing.
    const std::size_t objectHeader = 12;
    const std::size_t meshHeader = model("Square", {}).size() - 6;
    for (const std::size_t header : {std::size_t{0}, std::size_t{6}, objectHeader, meshHeader}) {
        for (const std::uint32_t length : {0u, 5u, 0xFFFFFFFFu}) {
            Bytes file = square();
            for (int i = 0; i < 4; ++i)
                file[header + 2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
            const Read r = readMesh(file);
            EXPECT_EQ(r.result.status, Status::Complete) << header << " " << length;
            EXPECT_EQ(r.mesh->objectNameText(), "Square");
            EXPECT_EQ(r.mesh->vertexCount, 4);
            EXPECT_EQ(r.mesh->polygonCount, 2);
        }
    }
}

TEST(ThreeDsReader, CountsAtAndAboveCapacity)
{
    const Read full = readMesh(model("Full", vertexList(points(8000))));
    EXPECT_EQ(full.result.status, Status::Complete);
    EXPECT_EQ(full.mesh->vertexCount, 8000);

    const Read vertices = readMesh(model("V", vertexList(points(8001))));
    EXPECT_EQ(vertices.result.status, Status::Refused);
    EXPECT_EQ(vertices.result.message, "Too many vertices in the model file 'm.3ds'.");

    forge::ByteWriter faces;
    faces.u16(8001);
    EXPECT_EQ(readMesh(model("F", chunk(0x4120, faces.data()))).result.message,
        "Too many polygons in the model file 'm.3ds'.");
    EXPECT_EQ(readMesh(model("T", chunk(0x4140, faces.data()))).result.message,
        "Too many mapping coordinates in the model file 'm.3ds'.");
}

TEST(ThreeDsReader, FaceIndicesMustNameReadVertices)
{
    EXPECT_EQ(readMesh(model("Ok", cat(vertexList(points(3)), faceList({{2, 1, 0}})))).result.status,
        Status::Complete);
    for (const std::array<std::uint16_t, 3> face :
        {std::array<std::uint16_t, 3>{3, 0, 0}, {0, 3, 0}, {0, 0, 65535}}) {
        const Read r = readMesh(model("Bad", cat(vertexList(points(3)), faceList({{0, 1, 2}, face}))));
        EXPECT_EQ(r.result.status, Status::Refused);
        EXPECT_EQ(r.result.message, "Face index out of range in the model file 'm.3ds'.");
    }
    EXPECT_EQ(readMesh(model("NoVertices", faceList({{0, 0, 0}}))).result.status, Status::Refused);
}

TEST(ThreeDsReader, TruncationAtEveryByteStaysInBounds)
{
    // Each list survives a cut past its chunk's end, and only then.
    const Bytes file = square();
    const std::size_t verticesEnd = model("Square", {}).size() + vertexList(points(4)).size();
    const std::size_t mappingEnd = verticesEnd + mapping({{0, 0}, {1, 0}, {1, 1}, {0, 1}}).size();
    for (std::size_t length = 1; length < file.size(); ++length) {
        const Read r = readMesh(Bytes(file.begin(), file.begin() + length));
        EXPECT_EQ(r.mesh->objectNameText(), std::string("Square").substr(0, length > 18 ? length - 18 : 0)) << length;
        EXPECT_EQ(r.mesh->vertexCount, length >= verticesEnd ? 4 : 0) << length;
        EXPECT_EQ(r.mesh->texCoords.size() > 3 && r.mesh->texCoords[3].v == 1.0f, length >= mappingEnd) << length;
        EXPECT_EQ(r.mesh->polygonCount, 0) << length;
    }
    // A list whose count runs past the end keeps only its complete entries.
    const Read r = readMesh(model("Cut", vertexList(points(8), 10)));
    EXPECT_EQ(r.result.status, Status::Stopped);
    EXPECT_EQ(r.mesh->vertexCount, 8);
}

} // namespace
