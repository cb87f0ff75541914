#include "AssetFiles.h"

#include "scene/ThreeDsReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <tuple>

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
    for (int c = std::fgetc(trace); c != EOF; c = std::fgetc(trace))
        r.trace.push_back(static_cast<char>(c));
    std::fclose(trace);
    return r;
}

Points points(int count)
{
    return Points(count, {1, 2, 3});
}

// What the lists hold shows when the mesh is drawn (MeshManagerTest). Unknown
// chunks and face sub-chunks are skipped; a missing mapping list leaves the
// coordinates at zero.
TEST(ThreeDsReader, ReadsListsTracesEveryChunkAndSkipsUnknownOnes)
{
    const Read r = readMesh(square());
    EXPECT_EQ(r.result.status, Status::Complete);
    EXPECT_EQ(r.trace,
        "ChunkID: 4d4d\nChunkLenght: b3\nChunkID: 3d3d\nChunkLenght: ad\nChunkID: 4000\nChunkLenght: a7\n"
        "ChunkID: 4100\nChunkLenght: 9a\nChunkID: 4110\nChunkLenght: 38\nNumber of vertices: 4\n"
        "ChunkID: 4140\nChunkLenght: 28\nChunkID: 4120\nChunkLenght: 34\nNumber of polygons: 2\n"
        "Face flags: 7\nFace flags: 7\nChunkID: 4130\nChunkLenght: e\nChunkID: 4150\nChunkLenght: e\n");

    const Read skipped = readMesh(cat(chunk(0xB000, Bytes(40, 0x41)),
        model("K", cat(cat(vertexList(points(3)), chunk(0x4160, Bytes(48, 0x10))), faceList({{0, 1, 2}})))));
    EXPECT_EQ(skipped.result.status, Status::Complete);
    EXPECT_EQ(skipped.mesh->polygonCount, 1);
    EXPECT_EQ(skipped.mesh->texCoords[2].u + skipped.mesh->texCoords[2].v, 0.0f);
}

// The arrays grow to the longest list read and never shrink, so every index a
// face may hold, and every vertex's texture coordinate, stays inside them.
TEST(ThreeDsReader, ArraysGrowToTheLongestListAndKeepEarlierEntries)
{
    const Points later(2, {4, 5, 6});
    const Read r = readMesh(model("Two", cat(cat(vertexList(points(5)), vertexList(later)), faceList({{0, 1, 1}}))));
    ASSERT_EQ(r.result.status, Status::Complete);
    EXPECT_EQ(r.mesh->vertexCount, 2);
    EXPECT_EQ(r.mesh->vertices[0].x, 4.0f);
    ASSERT_TRUE(r.mesh->vertices.size() >= 5u && r.mesh->texCoords.size() >= 5u);
    EXPECT_EQ(r.mesh->vertices[4].x, 1.0f);
    const Bytes longMapping = mapping({{1, 1}, {1, 1}, {0.5f, 2}});
    EXPECT_EQ(readMesh(model("M", cat(vertexList(points(2)), longMapping))).mesh->texCoords.at(2).v, 2.0f);

    // A list cut short keeps its complete entries and covers them with zeros.
    const Read cut = readMesh(model("Cut", vertexList(points(2), 40)));
    EXPECT_EQ(cut.result.status, Status::Stopped);
    EXPECT_EQ(cut.mesh->vertexCount, 2);
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
}

// What is read before a broken chunk length is kept; the rest is ignored.
TEST(ThreeDsReader, BrokenFilesStopOrAreRefusedWithTheirReason)
{
    const std::string badFace = "Face index out of range in the model file 'm.3ds'.";
    forge::ByteWriter tooMany;
    tooMany.u16(8001);
    const auto withFace = [](std::array<std::uint16_t, 3> face) {
        return model("Bad", cat(vertexList(points(3)), faceList({{0, 1, 2}, face})));
    };
    // file, status, message, vertices kept
    std::vector<std::tuple<Bytes, Status, std::string, int>> cases = {
        {{0x4D, 0x4D, 6}, Status::Stopped, "The model file 'm.3ds' ends inside a chunk header.", 0},
        {model("V", vertexList(points(8001))), Status::Refused, "Too many vertices in the model file 'm.3ds'.", 0},
        {model("F", chunk(0x4120, tooMany.data())), Status::Refused, "Too many polygons in the model file 'm.3ds'.", 0},
        {model("T", chunk(0x4140, tooMany.data())), Status::Refused,
         "Too many mapping coordinates in the model file 'm.3ds'.", 0},
        {withFace({3, 0, 0}), Status::Refused, badFace, 3},
        {withFace({0, 3, 0}), Status::Refused, badFace, 3},
        {withFace({0, 0, 65535}), Status::Refused, badFace, 3},
        {model("NoVertices", faceList({{0, 0, 0}})), Status::Refused, badFace, 0},
    };
    for (const std::uint32_t length : {0u, 5u, 9u, 0xFFFFFFFFu})
        cases.emplace_back(cat(model("A", vertexList(points(2))), chunk(0x1234, {0, 0}, length)), Status::Stopped,
                           "Invalid chunk length in the model file 'm.3ds'; the rest is ignored.", 2);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [file, status, message, vertices] = cases[i];
        const Read r = readMesh(file);
        EXPECT_EQ(std::tuple(r.result.status, r.result.message, r.mesh->vertexCount), std::tuple(status, message, vertices))
            << "case " << i;
    }
}

// The containers' lengths are never used, so wrong ones lose nothing; the
// largest lists that fit are read whole.
TEST(ThreeDsReader, ContainerLengthsAreIgnoredAndFullListsFit)
{
    for (const std::size_t header : {std::size_t{0}, std::size_t{6}, std::size_t{12}, model("Square", {}).size() - 6}) {
        for (const std::uint32_t length : {0u, 5u, 0xFFFFFFFFu}) {
            Bytes file = square();
            for (int i = 0; i < 4; ++i)
                file[header + 2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
            const Read r = readMesh(file);
            EXPECT_EQ(r.result.status, Status::Complete) << header << " " << length;
            EXPECT_EQ(r.mesh->objectNameText(), "Square");
            EXPECT_EQ(r.mesh->vertexCount + r.mesh->polygonCount, 6);
        }
    }
    const Read full = readMesh(model("Full", cat(vertexList(points(8000)), faceList({{7999, 0, 1}}))));
    EXPECT_EQ(full.result.status, Status::Complete);
    EXPECT_EQ(full.mesh->vertexCount, 8000);
    EXPECT_EQ(full.mesh->polygonCount, 1) << "the last vertex may be named";
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
}

} // namespace
