#include "platform/FileSystem.h"

#include <algorithm>
#include <memory>

namespace platform {

std::string FileSystem::nativePath(const std::string& gamePath)
{
    std::string path = gamePath;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::FILE* FileSystem::open(const std::string& gamePath, const char* mode)
{
    return std::fopen(nativePath(gamePath).c_str(), mode);
}

bool FileSystem::exists(const std::string& gamePath)
{
    std::FILE* file = open(gamePath, "rb");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

bool FileSystem::remove(const std::string& gamePath)
{
    return std::remove(nativePath(gamePath).c_str()) == 0;
}

bool FileSystem::readAll(const std::string& gamePath, std::vector<std::uint8_t>& bytes)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open(gamePath, "rb"), &std::fclose);
    if (!file)
        return false;
    bytes.clear();
    std::uint8_t chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    return !std::ferror(file.get());
}

} // namespace platform
