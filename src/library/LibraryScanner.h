#pragma once

#include "library/CachedSong.h"
#include "library/SongLibrary.h"

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace library {

// Reads the song library on threads of its own, at the lowest priority, so
// that no frame waits for it: the song cache first, then the song folders,
// each taken from the cache while its files are unchanged and read anew
// otherwise; at the end the cache learns what changed. The game thread takes
// the songs as they are found, and the lines for the log.
class LibraryScanner {
public:
    struct Progress {
        std::size_t done = 0;   // song folders looked at
        std::size_t total = 0;  // song folders found by the walk (0 until it is over)
        std::size_t readAnew = 0; // of them, read from their files rather than the cache
        bool listed = false;    // the walk is over: `total` is known
        bool finished = false;  // every folder looked at and the cache written
    };

    struct Line {
        std::string text;
        bool warning = false; // a song listed, but read around something in its files
    };

    // `cacheFile` empty: no cache. `readers`: threads that read folders (0:
    // one for each core).
    LibraryScanner(std::vector<std::filesystem::path> roots, std::filesystem::path cacheFile, unsigned readers = 0);
    // Stops at once: folders not yet looked at are left, the cache unwritten.
    ~LibraryScanner();
    LibraryScanner(const LibraryScanner&) = delete;
    LibraryScanner& operator=(const LibraryScanner&) = delete;

    // The songs found since the last call, in no particular order.
    std::vector<SongEntry> takeSongs();
    // Lines for the log since the last call; the folders left out and the
    // warnings come at the end, in the order of their folders.
    std::vector<Line> takeLines();
    Progress progress() const;
    void waitUntilFinished();

private:
    void run();
    void readFolders();
    void readOne(std::size_t index);
    std::optional<CachedSong> fromCache(const SongCandidate& candidate);
    void finish();

    const std::vector<std::filesystem::path> roots;
    const std::filesystem::path cacheFile;
    const unsigned readers;

    std::atomic<bool> stopping{false};
    std::atomic<std::size_t> next{0};

    // The scan's own, until the walk is over; read-only while the readers run.
    std::unordered_map<std::string, CachedSong> cached;
    std::vector<SongCandidate> folders;

    mutable std::mutex mutex;
    Progress state;
    std::vector<SongEntry> found;
    std::vector<Line> lines;
    // By the folder's place in the walk, so that they are logged in order.
    std::vector<std::pair<std::size_t, Line>> folderLines;
    std::vector<CachedSong> readAnew;
    std::vector<std::string> unplayable; // folders that could not be read: out of the cache too
    std::thread thread;
};

} // namespace library
