#pragma once

#include <cstdio>
#include <string>

// Fills a reader's error text from a message with one '%s' for the file path;
// always returns false so that readers can `return fail(...)`.
__attribute__((format(printf, 2, 0))) inline bool fail(std::string& error, const char* format, const std::string& path)
{
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, format, path.c_str());
    error = buffer;
    return false;
}
