#include "chart/SongFolder.h"

#include "chart/ChartFile.h"
#include "chart/MsdValues.h"

#include <algorithm>
#include <array>
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
        if (it->is_regular_file(statusError))
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
        if (MsdValues::lower(it->path().filename().string()) == wanted)
            return it->path();
    return std::nullopt;
}

bool isInside(const fs::path& path, const fs::path& folder)
{
    std::error_code error;
    const fs::path target = fs::weakly_canonical(path, error);
    const fs::path root = fs::weakly_canonical(folder, error);
    if (error)
        return false;
    const auto [rootEnd, targetEnd] = std::mismatch(root.begin(), root.end(), target.begin(), target.end());
    return rootEnd == root.end();
}

std::optional<fs::path> firstAudioFile(const fs::path& folder, std::string& error)
{
    static const std::array<std::string, 4> extensions{".ogg", ".mp3", ".wav", ".flac"};
    for (const fs::path& file : filesOf(folder))
        if (std::find(extensions.begin(), extensions.end(), MsdValues::lower(file.extension().string()))
                != extensions.end()
            && isInside(file, folder))
            return file;
    error = "no music file named and none in the folder";
    return std::nullopt;
}

} // namespace

std::optional<fs::path> SongFolder::findChartFile(const fs::path& folder, std::string& error)
{
    // Lower ranks win; files come sorted by name, so the first of a rank stays.
    auto rank = [](ChartFormat format) { return format == ChartFormat::Ssc ? 0 : format == ChartFormat::Sm ? 1 : 2; };
    std::optional<fs::path> best;
    int bestRank = 3;
    for (const fs::path& file : filesOf(folder)) {
        const std::optional<ChartFormat> format = ChartFile::formatOf(file);
        if (format && rank(*format) < bestRank) {
            best = file;
            bestRank = rank(*format);
        }
    }
    if (!best)
        error = "no .ssc, .sm or .dwi file";
    return best;
}

std::optional<fs::path> SongFolder::resolveMusic(const fs::path& folder, const std::string& name, std::string& error)
{
    std::string relative(MsdValues::trim(name));
    std::replace(relative.begin(), relative.end(), '\\', '/');
    if (relative.empty())
        return firstAudioFile(folder, error);
    const std::string quoted = "music file '" + name + "'";
    if (relative.front() == '/' || (relative.size() > 1 && relative[1] == ':')) {
        error = quoted + " is an absolute path";
        return std::nullopt;
    }
    fs::path path = folder;
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t slash = std::min(relative.find('/', start), relative.size());
        const std::string part = relative.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            error = quoted + " lies outside the song folder";
            return std::nullopt;
        }
        std::error_code statusError;
        if (fs::exists(path / part, statusError)) {
            path /= part;
        } else if (const std::optional<fs::path> found = entryIgnoringCase(path, part)) {
            path = *found;
        } else {
            error = quoted + " not found";
            return std::nullopt;
        }
    }
    std::error_code statusError;
    if (!isInside(path, folder)) {
        error = quoted + " lies outside the song folder";
        return std::nullopt;
    }
    if (!fs::is_regular_file(path, statusError)) {
        error = quoted + " is not a file";
        return std::nullopt;
    }
    return path;
}

ReadResult SongFolder::load(const fs::path& folder)
{
    ReadResult result;
    const std::optional<fs::path> file = findChartFile(folder, result.error);
    if (!file)
        return result;
    result = ChartFile::read(*file);
    if (!result.ok()) {
        result.error = file->filename().string() + ": " + result.error;
        return result;
    }
    if (const std::optional<fs::path> music = resolveMusic(folder, result.song.music, result.error))
        result.song.musicPath = *music;
    return result;
}

} // namespace chart
