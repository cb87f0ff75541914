#pragma once

#include "scene/MeshData.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

// Walks the chunks of a 3D Studio file in memory and keeps the vertex list,
// face list, mapping coordinates and object name of the last mesh read.
// Works without OpenGL.
class ThreeDsReader {
public:
    enum class Status {
        Complete, // the walk reached the end of the file
        Stopped,  // a broken chunk ended the walk early; what was read is kept
        Refused,  // the mesh cannot be used safely
    };

    struct Result {
        Status status = Status::Complete;
        std::string message; // names the path; empty when complete
    };

    // Prints the chunk trace ("ChunkID", "ChunkLenght", counts, face flags) to
    // `trace` unless it is null.
    static Result read(std::span<const std::uint8_t> bytes, const std::string& path, MeshData& mesh,
        std::FILE* trace);
};
