#pragma once

#include <ostream>
#include <string>

// Reads one asset file through the game's readers and describes it: a texture's
// size and depth, a mesh's object name and counts, an MS3D model's counts and
// texture paths, or what is wrong with it. Chart files go to ChartInspector.
class AssetInspector {
public:
    // Writes one line to `out`; true when the file is good.
    static bool inspect(const std::string& path, std::ostream& out);
};
