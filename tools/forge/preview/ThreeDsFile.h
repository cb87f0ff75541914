#pragma once

#include "writers/ThreeDsWriter.h"

#include <filesystem>
#include <optional>

namespace forge {

// Reads a 3DS mesh back for previews the way the game does: descends into the
// main, editor, object and mesh chunks, keeps vertices, faces and mapping
// coordinates and skips every other chunk by its length. Files whose chunks or
// indices do not fit give nothing.
class ThreeDsFile {
public:
    static std::optional<TriMesh> load(const std::filesystem::path& path);
};

} // namespace forge
