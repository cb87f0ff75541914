#include "ForgedData.h"

#include "core/ObjectRegistry.h"
#include "game/StepFileManager.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>

namespace forgetest {
namespace {

// ctest runs every test in its own process, so the output is kept in the
// working folder and made again only when the forge binary changes. A file
// lock keeps parallel test processes from generating at the same time.
struct Forged : ForgedData {
    Forged()
    {
        const auto base = std::filesystem::current_path() / "forge_audio_output";
        first = base / "a";
        second = base / "b";
        std::filesystem::create_directories(base);
        const int lock = ::open((base / ".lock").c_str(), O_CREAT | O_RDWR, 0644);
        if (lock >= 0)
            ::flock(lock, LOCK_EX);
        const auto stamp = base / "forge.stamp";
        const std::string version = forgeVersion();
        if (testsupport::readFile(stamp) == version) {
            ok = true;
        } else {
            std::error_code ignored;
            std::filesystem::remove_all(first, ignored);
            std::filesystem::remove_all(second, ignored);
            ok = run(first) && run(second);
            if (ok)
                std::ofstream(stamp, std::ios::trunc) << version;
        }
        if (lock >= 0)
            ::close(lock);
    }

    static std::string forgeVersion()
    {
        std::error_code error;
        const auto time = std::filesystem::last_write_time(FLAREVOX_FORGE, error);
        const auto size = std::filesystem::file_size(FLAREVOX_FORGE, error);
        return error ? std::string() : std::to_string(time.time_since_epoch().count()) + "/" + std::to_string(size);
    }

    bool run(const std::filesystem::path& root)
    {
        const std::string command = std::string("'") + FLAREVOX_FORGE + "' '" + root.string()
                                    + "' announcer config explosion library song > /dev/null";
        if (std::system(command.c_str()) != 0) {
            error = "forge failed: " + command;
            return false;
        }
        return true;
    }
};

} // namespace

const ForgedData& forgedData()
{
    static const Forged data;
    return data;
}

const std::vector<std::string>& forgedFiles()
{
    static const std::vector<std::string> files = {
        "Conf/global.cfg",          "Data/Music/coconut.mp3",  "Data/Dwi/Coconut.DWI",
        "Data/Sound/dominating.wav", "Data/Sound/godlike.wav",  "Data/Sound/humiliation.wav",
        "Data/Sound/rampage.wav",    "Data/Sound/perfect.wav",  "Data/Sound/ultrakill.wav",
        "Data/Sound/explosion1.wav",
        "Songs/Flarevox/Daybreak/Daybreak.sm", "Songs/Flarevox/Daybreak/daybreak.ogg",
        "Songs/Flarevox/Neon Drift/Neon Drift.sm", "Songs/Flarevox/Neon Drift/neon-drift.ogg",
        "Songs/Flarevox/Gearshift/Gearshift.sm", "Songs/Flarevox/Gearshift/gearshift.ogg",
    };
    return files;
}

ForgedConfig::ForgedConfig()
    : reader(new ConfigFileParser)
{
    reader->parse((forgedData().first / "Conf/global.cfg").string());
}

ForgedConfig::~ForgedConfig()
{
    ObjectRegistry::destroy();
}

Chart readChart(const std::filesystem::path& file)
{
    auto* steps = new StepFileManager; // owned by the registry
    Chart chart;
    if (steps->parseFile(file.c_str()) == 0)
        chart = {steps->getNotes(), steps->getBpm(), steps->getGap()};
    ObjectRegistry::destroy();
    return chart;
}

StepFileTags readStepFileTags(const std::string& text)
{
    StepFileTags result;
    const auto stray = [](const std::string& between) { return between.find_first_not_of('\n') != std::string::npos; };
    const std::regex entry("#([^:;]*)[^;]*;");
    std::size_t end = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), entry); it != std::sregex_iterator(); ++it) {
        result.tags.push_back((*it)[1]);
        const auto start = static_cast<std::size_t>(it->position());
        result.strayText = result.strayText || stray(text.substr(end, start - end));
        end = start + static_cast<std::size_t>(it->length());
    }
    result.strayText = result.strayText || stray(text.substr(end));
    return result;
}

} // namespace forgetest
