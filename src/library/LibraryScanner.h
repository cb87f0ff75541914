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

// Reads the song library on threads of its own, so that no frame waits for
// it. The song cache first: its songs are handed over at once, as the list
// to show until the files have been looked at. Then the song folders: a song
// whose folder and files are unchanged stands; any other is read anew and
// handed over, and the cached entry of a folder that changed or is gone is
// dropped. At the end the cache learns what changed. The game thread takes
// the songs as they are found, and the lines for the log.
class LibraryScanner {
public:
    struct Progress {
        std::size_t done = 0;   // song folders looked at
        std::size_t total = 0;  // song folders found by the walk (0 until it is over)
        std::size_t readAnew = 0; // of them, read from their files rather than the cache
        std::size_t fromCache = 0; // songs handed over from the cache before the folders were looked at
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

    // Since the last call, each in no particular order: songs from the cache
    // (listed before their folders are looked at), songs read anew, and the
    // folders whose songs from the cache no longer stand (in this batch or
    // an earlier one). A changed song is dropped and comes again read anew.
    struct Batch {
        std::vector<SongEntry> fromCache;
        std::vector<SongEntry> readAnew;
        std::vector<std::string> dropped;
    };
    Batch take();
    // A whole scan's batch as the library it leaves.
    static std::vector<SongEntry> merged(Batch batch);
    // Lines for the log since the last call; the folders left out and the
    // warnings come at the end, in the order of their folders.
    std::vector<Line> takeLines();
    Progress progress() const;
    void waitUntilFinished();

private:
    void run();
    void readFolders();
    void readOne(std::size_t index);
    bool standsInCache(const SongCandidate& candidate) const;
    void handOverCache();
    void finish();

    const std::vector<std::filesystem::path> roots;
    const std::filesystem::path cacheFile;
    const unsigned readers;

    std::atomic<bool> stopping{false};
    std::atomic<std::size_t> next{0};

    // The scan's own, until the walk is over; read-only while the readers run.
    // The entries have been handed over: the files' stamps are what is left.
    std::unordered_map<std::string, CachedSong> cached;
    std::vector<SongCandidate> folders;

    mutable std::mutex mutex;
    Progress state;
    Batch taken;
    std::vector<Line> lines;
    // By the folder's place in the walk, so that they are logged in order.
    std::vector<std::pair<std::size_t, Line>> folderLines;
    std::vector<CachedSong> readAnew;
    std::vector<std::string> unplayable; // folders that could not be read: out of the cache too
    std::thread thread;
};

} // namespace library
