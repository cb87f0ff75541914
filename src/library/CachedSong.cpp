#include "library/CachedSong.h"

#include <algorithm>

namespace library {

std::vector<CachedSong::File> CachedSong::stampsOf(const SongEntry& entry)
{
    std::vector<File> files;
    for (const std::filesystem::path* path : {&entry.folder, &entry.chartFile, &entry.musicFile, &entry.bannerFile}) {
        if (path->empty())
            continue;
        if (const std::optional<platform::FileStamp> stamp = platform::FileStamp::of(*path))
            files.push_back({path->string(), *stamp});
    }
    return files;
}

bool CachedSong::filesUnchanged(const std::vector<File>& files)
{
    return std::all_of(files.begin() + std::min<std::size_t>(1, files.size()), files.end(), [](const File& file) {
        return platform::FileStamp::of(file.path) == file.stamp;
    });
}

} // namespace library
