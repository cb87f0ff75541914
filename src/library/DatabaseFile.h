#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace library {

// The player's database files (records, the song cache): what is done with
// one that cannot be used.
class DatabaseFile {
public:
    // Moves the file and its log files to "<file>.moved-aside-<date>" (with
    // a number added where that is taken), so that the old database still
    // opens as it was; a log left behind would be played into a new one.
    // Sets `aside` to where it went; the error when it could not be moved.
    static std::error_code moveAside(const std::filesystem::path& file, std::filesystem::path& aside);
    // The local time in strftime's `format`.
    static std::string now(const char* format);
};

} // namespace library
