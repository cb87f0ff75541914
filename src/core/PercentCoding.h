#pragma once

#include <string>

// Writes text so that no character of it means anything to the
// configuration's reader: bytes other than letters, digits and "/._-" become
// %XX, and back.
class PercentCoding {
public:
    static std::string encode(const std::string& text);
    // A "%" not followed by two hex digits stays as it is.
    static std::string decode(const std::string& encoded);
};
