#include "BenchOptions.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

bool takeValue(std::string_view argument, std::string_view name, std::string& value)
{
    if (!argument.starts_with(name) || argument.size() <= name.size() || argument[name.size()] != '=')
        return false;
    value = std::string(argument.substr(name.size() + 1));
    return true;
}

bool parsePositive(const std::string& text, double& value)
{
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !(parsed > 0.0))
        return false;
    value = parsed;
    return true;
}

bool parseCount(const std::string& text, int lowest, int highest, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || parsed < lowest || parsed > highest)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

bool BenchOptions::parse(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        std::string value;
        bool ok = true;
        if (takeValue(argument, "--section", value))
            section = value;
        else if (takeValue(argument, "--song-seconds", value))
            ok = parsePositive(value, songSeconds);
        else if (takeValue(argument, "--reader-seconds", value))
            ok = parsePositive(value, readerSeconds);
        else if (takeValue(argument, "--frame-seconds", value))
            ok = parsePositive(value, frameSeconds);
        else if (takeValue(argument, "--growth-seconds", value))
            ok = parsePositive(value, growthSeconds);
        else if (takeValue(argument, "--particles", value))
            ok = parseCount(value, 0, maximumParticles, particles);
        else if (takeValue(argument, "--density", value))
            ok = parseCount(value, 1, maximumDensity, density);
        else if (takeValue(argument, "--library-packs", value))
            ok = parseCount(value, 1, 1000, libraryPacks);
        else if (takeValue(argument, "--csv", value))
            csvPath = value;
        else if (takeValue(argument, "--reader-folder", value))
            readerFolders.push_back(value);
        else
            ok = false;
        if (!ok) {
            std::fprintf(stderr,
                "flarevox-bench: bad argument '%s'\n"
                "usage: flarevox-bench [--song-seconds=S] [--reader-seconds=S] [--csv=PATH]\n"
                "                      [--reader-folder=DIR]... [--section=NAME]\n"
                "                      [--frame-seconds=S] [--growth-seconds=S] [--particles=N] [--density=D]\n"
                "                      [--library-packs=N]\n",
                argv[i]);
            return false;
        }
    }
    return true;
}

std::vector<std::string> BenchOptions::forwardedArguments() const
{
    char song[64];
    char reader[64];
    std::snprintf(song, sizeof song, "--song-seconds=%.17g", songSeconds);
    std::snprintf(reader, sizeof reader, "--reader-seconds=%.17g", readerSeconds);
    char frame[64];
    char growth[64];
    std::snprintf(frame, sizeof frame, "--frame-seconds=%.17g", frameSeconds);
    std::snprintf(growth, sizeof growth, "--growth-seconds=%.17g", growthSeconds);
    std::vector<std::string> arguments{song, reader, frame, growth};
    if (particles >= 0)
        arguments.push_back("--particles=" + std::to_string(particles));
    if (density > 0)
        arguments.push_back("--density=" + std::to_string(density));
    arguments.push_back("--library-packs=" + std::to_string(libraryPacks));
    for (std::size_t i = 1; i < readerFolders.size(); ++i)
        arguments.push_back("--reader-folder=" + readerFolders[i]);
    return arguments;
}
