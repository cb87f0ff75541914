#include "library/DatabaseFile.h"

#include <ctime>

namespace library {

std::error_code DatabaseFile::moveAside(const std::filesystem::path& file, std::filesystem::path& aside)
{
    aside = file;
    aside += ".moved-aside-" + now("%Y%m%d-%H%M%S");
    for (int n = 1; std::filesystem::exists(aside); ++n)
        aside.replace_filename(file.filename().string() + ".moved-aside-" + now("%Y%m%d-%H%M%S") + "-"
                               + std::to_string(n));
    std::error_code failed;
    std::filesystem::rename(file, aside, failed);
    for (const char* suffix : {"-wal", "-shm"}) {
        std::filesystem::path log = file;
        log += suffix;
        std::filesystem::path logAside = aside;
        logAside += suffix;
        std::error_code moveFailed;
        if (!failed && std::filesystem::exists(log))
            std::filesystem::rename(log, logAside, moveFailed);
        if (moveFailed)
            std::filesystem::remove(log, failed);
    }
    return failed;
}

std::string DatabaseFile::now(const char* format)
{
    const std::time_t time = std::time(nullptr);
    std::tm local{};
    localtime_r(&time, &local);
    char text[32];
    return std::strftime(text, sizeof text, format, &local) > 0 ? text : "";
}

} // namespace library
