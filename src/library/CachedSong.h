#pragma once

#include "library/SongEntry.h"
#include "platform/FileStamp.h"

#include <string>
#include <vector>

namespace library {

// A song as the song cache keeps it: its entry, and how the song's folder
// and each file its entry was read from (chart, music, banner) looked then.
// The entry stands while every one of them still looks the same.
struct CachedSong {
    struct File {
        std::string path;
        platform::FileStamp stamp;
        bool operator==(const File&) const = default;
    };

    SongEntry entry;
    std::vector<File> files; // the song's folder first

    // The stamps of the folder and of the files the entry names, as they
    // are now; a file that cannot be reached is left out, so that it no
    // longer matches.
    static std::vector<File> stampsOf(const SongEntry& entry);
    // Whether the files after the folder still look as they did.
    static bool filesUnchanged(const CachedSong& song);
};

} // namespace library
