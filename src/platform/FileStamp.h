#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace platform {

// What a file or folder looks like from outside, enough to tell that it
// changed: its size and its modification time to the nanosecond. Links are
// followed.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    bool operator==(const FileStamp&) const = default;

    // None when the path cannot be reached.
    static std::optional<FileStamp> of(const std::filesystem::path& path);
};

} // namespace platform
