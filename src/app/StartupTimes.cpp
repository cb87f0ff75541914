#include "app/StartupTimes.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct State {
    std::string path; // empty while the switch is off
    std::vector<StartupTimes::Mark> marks;
    bool written = false;
};

State& state()
{
    static State instance;
    return instance;
}

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Written under a temporary name and renamed, so a reader never sees half a file.
bool writeFile(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!(out << text) || !out.flush())
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

} // namespace

void StartupTimes::enableFromEnvironment()
{
    const char* path = std::getenv(variable);
    state() = State{};
    if (path && *path) {
        state().path = path;
        state().marks.reserve(32);
    }
}

bool StartupTimes::enabled()
{
    return !state().path.empty();
}

void StartupTimes::mark(const char* step)
{
    if (enabled())
        state().marks.emplace_back(step, nowMs());
}

bool StartupTimes::frameShown()
{
    State& current = state();
    if (!enabled() || current.written)
        return false;
    mark(firstFrameStep);
    current.written = true;
    if (!writeFile(current.path, format(current.marks)))
        std::fprintf(stderr, "flarevox: could not write the start-up times to '%s'\n", current.path.c_str());
    return true;
}

std::string StartupTimes::format(const std::vector<Mark>& marks)
{
    std::string text;
    char number[64];
    for (const auto& [step, ms] : marks) {
        std::snprintf(number, sizeof number, "%.3f", ms);
        text += step + '\t' + number + '\n';
    }
    return text;
}

bool StartupTimes::parse(const std::string& text, std::vector<Mark>& marks)
{
    marks.clear();
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == 0 || tab == std::string::npos)
            return false;
        const std::string number = line.substr(tab + 1);
        char* end = nullptr;
        const double ms = std::strtod(number.c_str(), &end);
        if (number.empty() || *end != '\0' || !std::isfinite(ms))
            return false;
        marks.emplace_back(line.substr(0, tab), ms);
    }
    return !marks.empty();
}
