#include "ScratchRunFolder.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* particleKey = "MaxParticels";
constexpr const char* particleSection = "[SpecialFX]";

// The key, then blanks or the equals sign: "MaxParticelsX" is another key.
bool isParticleSetting(const std::string& line)
{
    const std::string_view key = particleKey;
    if (!line.starts_with(key))
        return false;
    const char next = line.size() > key.size() ? line[key.size()] : '\0';
    return next == ' ' || next == '\t' || next == '=';
}

bool readText(const fs::path& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream contents;
    contents << in.rdbuf();
    text = contents.str();
    return true;
}

bool writeText(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

bool copyAndLink(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    fs::copy(from / "Conf", to / "Conf", fs::copy_options::recursive, error);
    if (error)
        return false;
    fs::create_directory(to / "Data", error);
    for (const fs::directory_entry& entry : fs::directory_iterator(from / "Data", error)) {
        const fs::path target = to / "Data" / entry.path().filename();
        if (entry.path().filename() == "Dwi")
            fs::copy(entry.path(), target, fs::copy_options::recursive, error);
        else
            fs::create_symlink(fs::absolute(entry.path()), target, error);
        if (error)
            return false;
    }
    return !error;
}

} // namespace

ScratchRunFolder::ScratchRunFolder(const fs::path& runFolder)
{
    std::string pattern = (fs::temp_directory_path() / "flarevox-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return;
    folder = pattern;
    if (!copyAndLink(runFolder, folder)) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        folder.clear();
    }
}

ScratchRunFolder::~ScratchRunFolder()
{
    std::error_code ignored;
    if (!folder.empty())
        fs::remove_all(folder, ignored);
}

bool ScratchRunFolder::setMaxParticles(int count) const
{
    std::string config;
    return ready() && readText(folder / configPath, config) &&
        writeText(folder / configPath, withMaxParticles(config, count));
}

bool ScratchRunFolder::writeChart(const std::string& dwiText) const
{
    return ready() && writeText(folder / chartPath, dwiText);
}

std::string ScratchRunFolder::withMaxParticles(const std::string& config, int count)
{
    const std::string setting = std::string(particleKey) + " = " + std::to_string(count);
    std::istringstream lines(config);
    std::string out;
    std::string line;
    bool inSection = false;
    bool set = false;
    std::size_t afterHeader = std::string::npos;
    while (std::getline(lines, line)) {
        if (line.starts_with("[")) {
            inSection = line.starts_with(particleSection);
            if (inSection && afterHeader == std::string::npos)
                afterHeader = out.size() + line.size() + 1;
        }
        if (inSection && isParticleSetting(line)) {
            line = setting;
            set = true;
        }
        out += line + "\n";
    }
    if (set)
        return out;
    if (afterHeader != std::string::npos)
        return out.insert(afterHeader, setting + "\n");
    return out + particleSection + "\n" + setting + "\n";
}
