#pragma once

#include "scene/Model.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A model read from a MilkShape 3D binary file (version 3 or later). The whole
// file is read into one buffer and every read is checked against its size; a
// file that is truncated or inconsistent is refused with a message on
// standard error and leaves the model empty.
class Ms3dModel : public Model {
public:
    // Longest resolved texture path accepted (the platform's path limit).
    static constexpr std::size_t maxTexturePathLength = 4095;

    explicit Ms3dModel(std::unique_ptr<Timer> timer = nullptr) : Model(std::move(timer)) {}

    bool load(const char* path) override;
    // Parses a file's bytes as if read from path (which gives the folder that
    // "." texture names are relative to).
    bool loadFromBuffer(std::span<const std::uint8_t> bytes, const std::string& path);

    // The folder part of a model path followed by "/", or empty without a folder.
    static std::string directoryPrefix(const std::string& path);

private:
    class Reader;

    bool parse(Reader& reader, const std::string& texturePrefix);
    bool readHeader(Reader& reader);
    bool readVertices(Reader& reader);
    bool readTriangles(Reader& reader);
    bool readGroups(Reader& reader);
    bool readMaterials(Reader& reader, const std::string& texturePrefix);
    bool readJoints(Reader& reader);
    bool readKeyframes(Reader& reader, int jointIndex, bool rotation);
    bool checkIndices() const;
};
