#include "ReaderBench.h"

#include "ChartReaderBench.h"
#include "Stats.h"
#include "scene/BmpReader.h"
#include "scene/Ms3dModel.h"
#include "scene/ThreeDsReader.h"
#include "scene/TgaReader.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <stb_image.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

using Clock = std::chrono::steady_clock;
// Whole passes over a format's files, ours and the reference's alternating.
constexpr int minimumRounds = 5;
constexpr int maximumRounds = 400;

std::string lowerExtension(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::vector<unsigned char> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::span<const std::uint8_t> span(const std::vector<unsigned char>& bytes)
{
    return {bytes.data(), bytes.size()};
}

bool decodeOurTga(const std::vector<unsigned char>& bytes, const std::string& path)
{
    DecodedImage image;
    std::string error;
    return TgaReader::decode(span(bytes), path, image, error);
}

bool decodeOurBmp(const std::vector<unsigned char>& bytes, const std::string& path)
{
    DecodedImage image;
    std::string error;
    return BmpReader::decode(span(bytes), path, image, error);
}

bool decodeStb(const std::vector<unsigned char>& bytes, const std::string&)
{
    int width = 0;
    int height = 0;
    int components = 0;
    unsigned char* pixels =
        stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &components, 0);
    stbi_image_free(pixels);
    return pixels != nullptr;
}

bool loadOurThreeDs(const std::vector<unsigned char>& bytes, const std::string& path)
{
    MeshData mesh;
    return ThreeDsReader::read(span(bytes), path, mesh, nullptr).status != ThreeDsReader::Status::Refused;
}

bool loadOurMs3d(const std::vector<unsigned char>& bytes, const std::string& path)
{
    Ms3dModel model;
    model.setTextureLookup([](const std::string&) { return 0u; });
    return model.loadFromBuffer(span(bytes), path);
}

// One importer for all loads, as a program would keep it; no post-processing.
std::function<bool(const std::vector<unsigned char>&, const std::string&)> assimpLoader(const char* hint)
{
    auto importer = std::make_shared<Assimp::Importer>();
    return [importer, hint](const std::vector<unsigned char>& bytes, const std::string&) {
        const aiScene* scene = importer->ReadFileFromMemory(bytes.data(), bytes.size(), 0, hint);
        return scene != nullptr && scene->mNumMeshes > 0;
    };
}

using Loader = std::function<bool(const std::vector<unsigned char>&, const std::string&)>;

} // namespace

ReaderBench::ReaderBench(const std::vector<std::string>& folders)
{
    for (const std::string& folder : folders)
        collect(folder);
}

void ReaderBench::collect(const std::string& folder)
{
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file())
            continue;
        const std::string extension = lowerExtension(it->path());
        std::vector<File>* list = extension == ".tga" ? &tga
            : extension == ".bmp"                     ? &bmp
            : extension == ".3ds"                     ? &threeDs
            : extension == ".ms3d"                    ? &ms3d
                                                      : nullptr;
        if (list)
            list->push_back(File{it->path().string(), readBytes(it->path())});
    }
}

namespace {

struct Comparison {
    const char* format;
    const char* referenceName;
    double requiredSpeedup; // reference time ÷ our time
};

struct Timing {
    double oursMs = 0.0;
    double referenceMs = 0.0;
    std::size_t files = 0;
    std::size_t bytes = 0;
};

double passMs(const std::vector<const std::vector<unsigned char>*>& files, const std::vector<std::string>& paths,
    const Loader& loader)
{
    const auto start = Clock::now();
    for (std::size_t i = 0; i < files.size(); ++i)
        loader(*files[i], paths[i]);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

BenchTable ReaderBench::run(double secondsPerFormat) const
{
    BenchTable table;
    auto measure = [&](const std::vector<File>& files, const Comparison& comparison, const Loader& ours,
                       const Loader& reference) {
        // Only files that both sides read take part, so both do the same work.
        std::vector<const std::vector<unsigned char>*> accepted;
        std::vector<std::string> paths;
        Timing timing;
        for (const File& file : files)
            if (ours(file.bytes, file.path) && reference(file.bytes, file.path)) {
                accepted.push_back(&file.bytes);
                paths.push_back(file.path);
                timing.bytes += file.bytes.size();
            }
        timing.files = accepted.size();
        if (accepted.empty()) {
            table.add({"readers", std::string(comparison.format) + " files read by both", 0, "files", "", 0,
                "", "missed"});
            return;
        }
        std::vector<double> oursMs;
        std::vector<double> referenceMs;
        const auto budgetEnd = Clock::now() + std::chrono::duration<double>(secondsPerFormat);
        while (oursMs.size() < static_cast<std::size_t>(maximumRounds)
               && (oursMs.size() < static_cast<std::size_t>(minimumRounds) || Clock::now() < budgetEnd)) {
            oursMs.push_back(passMs(accepted, paths, ours));
            referenceMs.push_back(passMs(accepted, paths, reference));
        }
        timing.oursMs = stats::median(oursMs);
        timing.referenceMs = stats::median(referenceMs);
        const double speedup = timing.referenceMs / std::max(timing.oursMs, 1e-9);
        const std::string format = comparison.format;
        char counts[96];
        std::snprintf(counts, sizeof counts, "%zu files, %.1f KiB", timing.files, static_cast<double>(timing.bytes) / 1024.0);
        table.add({"readers", format + " load, ours (" + counts + ")", timing.oursMs, "ms/pass",
            comparison.referenceName, timing.referenceMs, "", "info"});
        char target[64];
        std::snprintf(target, sizeof target, ">= %.0fx", comparison.requiredSpeedup);
        table.add({"readers", format + " speed-up over " + comparison.referenceName, speedup, "x", "", 0, target,
            verdict(speedup >= comparison.requiredSpeedup)});
    };

    measure(tga, {"TGA", "stb_image", 1.0}, decodeOurTga, decodeStb);
    measure(bmp, {"BMP", "stb_image", 1.0}, decodeOurBmp, decodeStb);
    measure(threeDs, {"3DS", "assimp", 5.0}, loadOurThreeDs, assimpLoader("3ds"));
    measure(ms3d, {"MS3D", "assimp", 5.0}, loadOurMs3d, assimpLoader("ms3d"));
    table.append(ChartReaderBench().run(secondsPerFormat));
    return table;
}
