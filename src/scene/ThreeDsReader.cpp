#include "scene/ThreeDsReader.h"

#include "scene/ByteCursor.h"
#include "scene/ReadError.h"

namespace {

constexpr std::uint16_t mainChunk = 0x4D4D;
constexpr std::uint16_t editorChunk = 0x3D3D;
constexpr std::uint16_t objectBlock = 0x4000;
constexpr std::uint16_t triangularMesh = 0x4100;
constexpr std::uint16_t vertexList = 0x4110;
constexpr std::uint16_t faceList = 0x4120;
constexpr std::uint16_t mappingCoordinates = 0x4140;
constexpr std::uint32_t chunkHeaderSize = 6;

using Status = ThreeDsReader::Status;
using Result = ThreeDsReader::Result;

class ChunkWalk {
public:
    ChunkWalk(std::span<const std::uint8_t> bytes, const std::string& path, MeshData& mesh, std::FILE* trace)
        : cursor(bytes)
        , path(path)
        , mesh(mesh)
        , trace(trace)
    {
    }

    Result run()
    {
        while (!cursor.atEnd() && result.status == Status::Complete)
            readChunk();
        return result;
    }

private:
    void readChunk()
    {
        const std::size_t start = cursor.position();
        std::uint16_t id = 0;
        std::uint32_t length = 0;
        if (!cursor.u16(id) || !cursor.u32(length)) {
            stop("The model file '%s' ends inside a chunk header.");
            return;
        }
        print("ChunkID: %x\n", id);
        print("ChunkLenght: %x\n", length);
        // Containers are descended into without using their length, so a wrong
        // one costs nothing; a chunk whose body is read or skipped needs a
        // length that lies within the file.
        if (!isContainer(id) && (length < chunkHeaderSize || length > cursor.size() - start)) {
            stop("Invalid chunk length in the model file '%s'; the rest is ignored.");
            return;
        }
        switch (id) {
        case mainChunk:
        case editorChunk:
        case triangularMesh:
            break;
        case objectBlock:
            readObjectName();
            break;
        case vertexList:
            readVertices();
            break;
        case faceList:
            readFaces();
            break;
        case mappingCoordinates:
            readMapping();
            break;
        default:
            cursor.seek(start + length);
            break;
        }
    }

    static bool isContainer(std::uint16_t id)
    {
        return id == mainChunk || id == editorChunk || id == objectBlock || id == triangularMesh;
    }

    // Up to 20 bytes including the terminator; a longer name is skipped to its terminator.
    void readObjectName()
    {
        mesh.objectName.fill('\0');
        std::uint8_t byte = 1;
        for (std::size_t i = 0; i < mesh.objectName.size() && byte != 0; ++i) {
            if (!cursor.u8(byte))
                return;
            mesh.objectName[i] = static_cast<char>(byte);
        }
        while (byte != 0 && cursor.u8(byte)) {
        }
    }

    // Reads a list's count; counts above the capacity refuse the mesh.
    bool readCount(std::uint16_t& count, const char* countLine, const char* tooMany)
    {
        if (!cursor.u16(count)) {
            stop("The model file '%s' ends inside a list.");
            return false;
        }
        if (countLine)
            print(countLine, count);
        if (count > MeshData::capacity) {
            refuse(tooMany);
            return false;
        }
        return true;
    }

    void readVertices()
    {
        std::uint16_t count = 0;
        if (!readCount(count, "Number of vertices: %d\n", "Too many vertices in the model file '%s'."))
            return;
        MeshData::growTo(mesh.vertices, count);
        MeshData::growTo(mesh.texCoords, count);
        int read = 0;
        for (; read < count; ++read) {
            MeshData::Position& p = mesh.vertices[read];
            if (!cursor.f32(p.x) || !cursor.f32(p.y) || !cursor.f32(p.z))
                break;
        }
        mesh.vertexCount = read;
        if (read < count)
            stop("The model file '%s' ends inside the vertex list.");
    }

    void readFaces()
    {
        std::uint16_t count = 0;
        if (!readCount(count, "Number of polygons: %d\n", "Too many polygons in the model file '%s'."))
            return;
        MeshData::growTo(mesh.polygons, count);
        int read = 0;
        for (; read < count; ++read) {
            std::uint16_t a = 0, b = 0, c = 0, flags = 0;
            if (!cursor.u16(a) || !cursor.u16(b) || !cursor.u16(c) || !cursor.u16(flags))
                break;
            print("Face flags: %x\n", flags);
            const auto limit = static_cast<std::uint32_t>(mesh.vertexCount);
            if (a >= limit || b >= limit || c >= limit) {
                mesh.polygonCount = read;
                refuse("Face index out of range in the model file '%s'.");
                return;
            }
            mesh.polygons[read] = {a, b, c};
        }
        mesh.polygonCount = read;
        if (read < count)
            stop("The model file '%s' ends inside the face list.");
    }

    void readMapping()
    {
        std::uint16_t count = 0;
        if (!readCount(count, nullptr, "Too many mapping coordinates in the model file '%s'."))
            return;
        MeshData::growTo(mesh.texCoords, count);
        for (int i = 0; i < count; ++i) {
            MeshData::TexCoord& t = mesh.texCoords[i];
            if (!cursor.f32(t.u) || !cursor.f32(t.v)) {
                stop("The model file '%s' ends inside the mapping coordinates.");
                return;
            }
        }
    }

    void print(const char* format, unsigned value)
    {
        if (trace)
            std::fprintf(trace, format, value);
    }

    void stop(const char* format)
    {
        finish(Status::Stopped, format);
    }

    void refuse(const char* format)
    {
        finish(Status::Refused, format);
    }

    void finish(Status status, const char* format)
    {
        result.status = status;
        fail(result.message, format, path);
        cursor.seekEnd();
    }

    ByteCursor cursor;
    const std::string& path;
    MeshData& mesh;
    std::FILE* trace;
    Result result;
};

} // namespace

ThreeDsReader::Result ThreeDsReader::read(std::span<const std::uint8_t> bytes, const std::string& path,
    MeshData& mesh, std::FILE* trace)
{
    return ChunkWalk(bytes, path, mesh, trace).run();
}
