#include "library/LibraryScanner.h"

#include "library/SongCache.h"
#include "platform/ThreadPriority.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace library {

namespace {

// A file changed this shortly before its song was read, or later, may have
// been read half written: its entry is not kept in the cache, so that the
// next scan reads it again.
constexpr std::int64_t settleNs = 100'000'000;

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool settledBefore(const std::vector<CachedSong::File>& files, std::int64_t readStartNs)
{
    return std::all_of(files.begin(), files.end(),
                       [readStartNs](const CachedSong::File& file) { return file.stamp.modifiedNs < readStartNs - settleNs; });
}

} // namespace

LibraryScanner::LibraryScanner(std::vector<std::filesystem::path> roots, std::filesystem::path cacheFile,
                               unsigned readers)
    : roots(std::move(roots))
    , cacheFile(std::move(cacheFile))
    , readers(readers > 0 ? readers : std::max(1u, std::thread::hardware_concurrency()))
    , thread(&LibraryScanner::run, this)
{
}

LibraryScanner::~LibraryScanner()
{
    stopping = true;
    if (thread.joinable())
        thread.join();
}

std::vector<SongEntry> LibraryScanner::takeSongs()
{
    const std::lock_guard lock(mutex);
    return std::exchange(found, {});
}

std::vector<LibraryScanner::Line> LibraryScanner::takeLines()
{
    const std::lock_guard lock(mutex);
    return std::exchange(lines, {});
}

LibraryScanner::Progress LibraryScanner::progress() const
{
    const std::lock_guard lock(mutex);
    return state;
}

void LibraryScanner::waitUntilFinished()
{
    if (thread.joinable())
        thread.join();
}

void LibraryScanner::run()
{
    platform::ThreadPriority::lowerCurrent();
    SongCache cache(cacheFile);
    if (!cacheFile.empty())
        cached = cache.load();
    LibraryWalk walk = SongLibrary::walk(roots, [this](const std::filesystem::path& folder) {
        const auto hit = cached.find(folder.string());
        return hit != cached.end() && !hit->second.files.empty() && hit->second.files.front().path == folder.string()
            && platform::FileStamp::of(folder) == hit->second.files.front().stamp;
    });
    folders = std::move(walk.folders);
    {
        const std::lock_guard lock(mutex);
        for (std::string& line : cache.takeMessages())
            lines.push_back({std::move(line)});
        folderLines.reserve(walk.skipped.size());
        for (std::string& line : walk.skipped)
            folderLines.emplace_back(0, Line{std::move(line)});
        state.total = folders.size();
        state.listed = true;
    }
    readFolders();
    if (stopping)
        return;
    finish();
    if (!cacheFile.empty()) {
        std::vector<const CachedSong*> changed;
        for (const CachedSong& song : readAnew)
            changed.push_back(&song);
        std::vector<std::string> gone = std::move(unplayable);
        for (const auto& [folder, song] : cached)
            gone.push_back(folder);
        cache.store(changed, gone);
    }
    const std::lock_guard lock(mutex);
    for (std::string& line : cache.takeMessages())
        lines.push_back({std::move(line)});
    readAnew.clear();
    cached.clear();
    state.finished = true;
}

void LibraryScanner::readFolders()
{
    std::vector<std::thread> helpers;
    for (unsigned helper = 1; helper < readers; ++helper)
        helpers.emplace_back([this] {
            platform::ThreadPriority::lowerCurrent();
            for (std::size_t index; !stopping && (index = next++) < folders.size();)
                readOne(index);
        });
    for (std::size_t index; !stopping && (index = next++) < folders.size();)
        readOne(index);
    for (std::thread& helper : helpers)
        helper.join();
}

// A cached entry stands while its folder (the walk looked) and its files
// look as they did.
std::optional<CachedSong> LibraryScanner::fromCache(const SongCandidate& candidate)
{
    if (!candidate.known)
        return std::nullopt;
    const auto hit = cached.find(candidate.folder.string());
    if (hit == cached.end() || !CachedSong::filesUnchanged(hit->second))
        return std::nullopt;
    return std::move(hit->second);
}

void LibraryScanner::readOne(std::size_t index)
{
    const SongCandidate& candidate = folders[index];
    if (std::optional<CachedSong> song = fromCache(candidate)) {
        const std::lock_guard lock(mutex);
        found.push_back(std::move(song->entry));
        ++state.done;
        return;
    }
    const std::int64_t readStartNs = nowNs();
    std::string skipLine;
    std::vector<std::string> warnings;
    std::optional<SongEntry> entry = SongLibrary::read(candidate, skipLine, warnings);
    std::optional<CachedSong> kept;
    if (entry) {
        std::vector<CachedSong::File> files = CachedSong::stampsOf(*entry);
        if (settledBefore(files, readStartNs))
            kept = CachedSong{*entry, std::move(files)};
        else
            warnings.push_back("Song library: '" + candidate.folder.string()
                               + "' changed while it was being read; it is read again at the next scan");
    }
    const std::lock_guard lock(mutex);
    ++state.done;
    ++state.readAnew;
    if (!entry) {
        folderLines.emplace_back(index, Line{std::move(skipLine)});
        unplayable.push_back(candidate.folder.string());
    }
    for (std::string& warning : warnings)
        folderLines.emplace_back(index, Line{std::move(warning), true});
    if (kept)
        readAnew.push_back(std::move(*kept));
    if (entry)
        found.push_back(std::move(*entry));
}

// What the walk and the readers had to say, in the folders' order; the cache
// forgets the folders no longer found (those still in `cached` were not).
void LibraryScanner::finish()
{
    for (const SongCandidate& candidate : folders)
        cached.erase(candidate.folder.string());
    const std::lock_guard lock(mutex);
    std::stable_sort(folderLines.begin(), folderLines.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [index, line] : folderLines)
        lines.push_back(std::move(line));
    folderLines.clear();
}

} // namespace library
