#include "AssetInspector.h"

#include "ChartInspector.h"

#include "platform/FileSystem.h"
#include "scene/BmpReader.h"
#include "scene/MeshData.h"
#include "scene/Ms3dModel.h"
#include "scene/TgaReader.h"
#include "scene/ThreeDsReader.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

std::string lowerExtension(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos)
        return "";
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool describeImage(const char* kind, bool decoded, const DecodedImage& image, const std::string& error,
    const std::string& path, std::ostream& out)
{
    if (!decoded) {
        out << path << ": error: " << error << '\n';
        return false;
    }
    out << path << ": " << kind << ' ' << image.width << 'x' << image.height << ", " << image.fileBits
        << " bits\n";
    return true;
}

bool inspectMesh(const std::vector<std::uint8_t>& bytes, const std::string& path, std::ostream& out)
{
    const auto mesh = std::make_unique<MeshData>();
    const ThreeDsReader::Result result = ThreeDsReader::read(bytes, path, *mesh, nullptr);
    if (result.status == ThreeDsReader::Status::Refused) {
        out << path << ": error: " << result.message << '\n';
        return false;
    }
    out << path << ": 3DS object '" << mesh->objectNameText() << "', " << mesh->vertexCount << " vertices, "
        << mesh->polygonCount << " triangles";
    if (result.status == ThreeDsReader::Status::Stopped) {
        out << "; error: " << result.message << '\n';
        return false;
    }
    out << '\n';
    return true;
}

// The loader explains a refusal on standard error; the line here names the file.
bool inspectModel(const std::vector<std::uint8_t>& bytes, const std::string& path, std::ostream& out)
{
    Ms3dModel model;
    if (!model.loadFromBuffer(bytes, path)) {
        out << path << ": error: not a loadable MS3D model\n";
        return false;
    }
    std::size_t keyframes = 0;
    for (const Joint& joint : model.joints())
        keyframes += joint.m_rotationKeyframes.size() + joint.m_translationKeyframes.size();
    out << path << ": MS3D " << model.vertices().size() << " vertices, " << model.triangles().size()
        << " triangles, " << model.groups().size() << " groups, " << model.materials().size() << " materials, "
        << model.joints().size() << " joints, " << keyframes << " keyframes, " << model.fps() << " fps\n";
    for (const ModelMaterial& material : model.materials()) {
        if (!material.m_textureFile.empty())
            out << path << ": texture '" << material.m_textureFile << "'\n";
    }
    return true;
}

} // namespace

bool AssetInspector::inspect(const std::string& path, std::ostream& out)
{
    if (ChartInspector::isChartFile(path))
        return ChartInspector::inspect(path, out);
    const std::string extension = lowerExtension(path);
    if (extension != "tga" && extension != "bmp" && extension != "3ds" && extension != "ms3d") {
        out << path << ": error: unknown file type (expected .tga, .bmp, .3ds, .ms3d, .sm, .ssc or .dwi)\n";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!platform::FileSystem::readAll(path, bytes)) {
        out << path << ": error: cannot open the file\n";
        return false;
    }
    if (extension == "3ds")
        return inspectMesh(bytes, path, out);
    if (extension == "ms3d")
        return inspectModel(bytes, path, out);
    DecodedImage image;
    std::string error;
    if (extension == "tga")
        return describeImage("TGA", TgaReader::decode(bytes, path, image, error), image, error, path, out);
    return describeImage("BMP", BmpReader::decode(bytes, path, image, error), image, error, path, out);
}
