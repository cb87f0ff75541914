#include "chart/SongFolder.h"

#include "chart/ChartFile.h"
#include "chart/MsdValues.h"

#include <algorithm>
#include <vector>

namespace chart {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t maxFolderEntries = 10000;

std::vector<fs::path> filesOf(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end && files.size() < maxFolderEntries;
         it.increment(error)) {
        std::error_code statusError;
        if (it->is_regular_file(statusError) && !SongFolder::isAppleDouble(it->path()))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<fs::path> entryIgnoringCase(const fs::path& folder, const std::string& name)
{
    const std::string wanted = MsdValues::lower(name);
    std::error_code error;
    std::size_t seen = 0;
    for (fs::directory_iterator it(folder, error), end; !error && it != end && ++seen <= maxFolderEntries;
         it.increment(error))
        if (MsdValues::lower(it->path().filename().string()) == wanted && !SongFolder::isAppleDouble(it->path()))
            return it->path();
    return std::nullopt;
}

bool isWithin(const fs::path& inner, const fs::path& outer)
{
    const auto [outerEnd, innerEnd] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return outerEnd == outer.end();
}

// Inside `folder` once every link is followed.
bool isInside(const fs::path& path, const fs::path& folder)
{
    std::error_code error;
    const fs::path target = fs::weakly_canonical(path, error);
    const fs::path root = fs::weakly_canonical(folder, error);
    return !error && isWithin(target, root);
}

bool hasExtension(const fs::path& file, std::initializer_list<const char*> extensions)
{
    const std::string extension = MsdValues::lower(file.extension().string());
    return std::any_of(extensions.begin(), extensions.end(), [&](const char* known) { return extension == known; });
}

std::optional<fs::path> firstAudioFile(const fs::path& folder)
{
    for (const fs::path& file : filesOf(folder))
        if (hasExtension(file, {".ogg", ".mp3", ".wav", ".flac"}) && !MsdValues::lower(file.filename().string()).starts_with("intro")
            && isInside(file, folder))
            return file;
    return std::nullopt;
}

// Absolute, without "." or ".." parts or a trailing separator.
fs::path normalAbsolute(const fs::path& path)
{
    std::error_code error;
    fs::path normal = fs::absolute(path, error).lexically_normal();
    return normal.has_filename() ? normal : normal.parent_path();
}

// The root that a folder's files may lie in: by default the folder holding it.
fs::path rootOf(const fs::path& folder, const fs::path& root)
{
    return root.empty() ? normalAbsolute(folder).parent_path() : root;
}

enum class Lookup { Found, Missing, Refused };

// A file named relative to the song's folder, part by part (".." climbs by
// name, never above `root`), kept only when it lies inside the folder or the
// root once links are followed.
Lookup findInside(const fs::path& folder, const fs::path& root, const std::string& name, fs::path& found,
    std::string& error)
{
    std::string relative(MsdValues::trim(name));
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const std::string quoted = "'" + name + "'";
    if (relative.front() == '/' || (relative.size() > 1 && relative[1] == ':')) {
        error = quoted + " is an absolute path";
        return Lookup::Refused;
    }
    std::error_code statusError;
    const fs::path top = normalAbsolute(rootOf(folder, root));
    fs::path path = folder;
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t slash = std::min(relative.find('/', start), relative.size());
        const std::string part = relative.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            const fs::path at = normalAbsolute(path);
            if (at == top || !isWithin(at, top)) {
                error = quoted + " lies outside the song folder";
                return Lookup::Refused;
            }
            path = at.parent_path();
        } else if (fs::exists(path / part, statusError)) {
            path /= part;
        } else if (const std::optional<fs::path> entry = entryIgnoringCase(path, part)) {
            path = *entry;
        } else {
            error = quoted + " not found";
            return Lookup::Missing;
        }
    }
    if (!isInside(path, folder) && !isInside(path, top)) {
        error = quoted + " lies outside the song folder";
        return Lookup::Refused;
    }
    if (!fs::is_regular_file(path, statusError)) {
        error = quoted + " is not a file";
        return Lookup::Refused;
    }
    found = path;
    return Lookup::Found;
}

} // namespace

bool SongFolder::isAppleDouble(const fs::path& file)
{
    return file.filename().string().starts_with("._");
}

std::optional<fs::path> SongFolder::findChartFile(const fs::path& folder, std::string& error,
    std::vector<std::string>& warnings)
{
    // Lower ranks win; files come sorted by name, so the first of a rank stays.
    auto rank = [](ChartFormat format) { return format == ChartFormat::Ssc ? 0 : format == ChartFormat::Sm ? 1 : 2; };
    std::optional<fs::path> best;
    int bestRank = 3;
    std::vector<fs::path> leftOut;
    for (const fs::path& file : filesOf(folder)) {
        const std::optional<ChartFormat> format = ChartFile::formatOf(file);
        if (!format || rank(*format) > bestRank)
            continue;
        if (rank(*format) == bestRank) {
            leftOut.push_back(file);
            continue;
        }
        best = file;
        bestRank = rank(*format);
        leftOut.clear();
    }
    if (!best) {
        error = "no .ssc, .sm or .dwi file";
        return best;
    }
    if (!leftOut.empty()) {
        std::string names;
        for (const fs::path& file : leftOut)
            names += (names.empty() ? "'" : ", '") + file.filename().string() + "'";
        warnings.push_back(std::to_string(leftOut.size() + 1) + " chart files of one kind, playing '"
            + best->filename().string() + "', not " + names);
    }
    return best;
}

std::optional<fs::path> SongFolder::findChartFile(const fs::path& folder, std::string& error)
{
    std::vector<std::string> warnings;
    return findChartFile(folder, error, warnings);
}

std::optional<fs::path> SongFolder::resolveMusic(const fs::path& folder, const fs::path& root, const std::string& name,
    std::string& error, std::vector<std::string>& warnings)
{
    fs::path found;
    std::string why;
    const Lookup lookup = MsdValues::trim(name).empty() ? Lookup::Missing : findInside(folder, root, name, found, why);
    if (lookup == Lookup::Found)
        return found;
    if (lookup == Lookup::Refused) {
        error = "music file " + why;
        return std::nullopt;
    }
    const std::optional<fs::path> audio = firstAudioFile(folder);
    if (!audio)
        error = why.empty() ? "no music file named and none in the folder" : "music file " + why;
    else if (!why.empty())
        warnings.push_back("music file " + why + ", playing '" + audio->filename().string() + "' instead");
    return audio;
}

std::optional<fs::path> SongFolder::findBanner(const fs::path& folder, const fs::path& root, const std::string& name)
{
    fs::path found;
    std::string error;
    if (!MsdValues::trim(name).empty() && findInside(folder, root, name, found, error) == Lookup::Found
        && hasExtension(found, {".png", ".jpg", ".jpeg", ".bmp"}))
        return found;
    for (const fs::path& file : filesOf(folder)) {
        const std::string stem = MsdValues::lower(file.stem().string());
        if (hasExtension(file, {".png", ".jpg", ".jpeg", ".bmp"})
            && (stem.ends_with("-bn") || stem.find("banner") != std::string::npos) && isInside(file, folder))
            return file;
    }
    return std::nullopt;
}

ReadResult SongFolder::load(const fs::path& folder, const fs::path& root)
{
    ReadResult result;
    std::vector<std::string> folderWarnings;
    const std::optional<fs::path> file = findChartFile(folder, result.error, folderWarnings);
    if (!file)
        return result;
    result = ChartFile::read(*file);
    if (!result.ok()) {
        result.error = file->filename().string() + ": " + result.error;
        return result;
    }
    result.song.warnings.insert(result.song.warnings.begin(), folderWarnings.begin(), folderWarnings.end());
    if (const std::optional<fs::path> music =
            resolveMusic(folder, root, result.song.music, result.error, result.song.warnings))
        result.song.musicPath = *music;
    return result;
}

} // namespace chart
