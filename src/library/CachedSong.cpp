#include "library/CachedSong.h"

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

bool CachedSong::filesUnchanged(const CachedSong& song)
{
    const SongEntry& entry = song.entry;
    std::size_t at = 1;
    for (const std::filesystem::path* path : {&entry.chartFile, &entry.musicFile, &entry.bannerFile}) {
        if (path->empty())
            continue;
        const std::optional<platform::FileStamp> stamp = platform::FileStamp::of(*path);
        if (!stamp || at >= song.files.size() || song.files[at].path != path->string() || song.files[at].stamp != *stamp)
            return false;
        ++at;
    }
    return at == song.files.size();
}

} // namespace library
