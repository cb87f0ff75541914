#include "TimingBench.h"

#include "BusyCore.h"
#include "ScratchRunFolder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// The song lasts about two minutes; a run that takes longer has hung.
constexpr auto runLimit = std::chrono::minutes(5);
constexpr double godlikeShareTarget = 99.0;
constexpr double medianTargetMs = 2.0;
constexpr double p99TargetMs = 8.0;
// A tempo far from the song's own, for the retimed chart.
constexpr const char* otherTempo = "137.300";

struct Condition {
    const char* name;
    int maxFps;
    bool busyCore;
    bool otherTempo;
};

const Condition conditions[] = {
    {"natural frame rate", 0, false, false},
    {"FLAREVOX_MAX_FPS=20", 20, false, false},
    {"one core busy", 0, true, false},
    {"chart at 137.3 BPM", 0, false, true},
};

struct Timing {
    double godlikeShare = 0.0;
    double medianMs = 0.0;
    double p99Ms = 0.0;
};

std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Player 1's judgements and timing from the log's closing lines.
std::optional<Timing> readTiming(const std::string& log)
{
    static const std::regex over(
        R"(Song over\. Player 1: \d+ points \((\d+) Godlike, (\d+) Perfect, (\d+) Great, (\d+) Good, (\d+) Booo\))");
    static const std::regex timing(
        R"(Player 1 timing: \d+ judged presses, median distance ([0-9.]+) ms, 99th percentile ([0-9.]+) ms)");
    std::smatch counts;
    std::smatch distances;
    if (!std::regex_search(log, counts, over) || !std::regex_search(log, distances, timing))
        return std::nullopt;
    double judged = 0.0;
    for (std::size_t i = 1; i <= 5; ++i)
        judged += std::stod(counts[i]);
    if (judged == 0.0)
        return std::nullopt;
    return Timing{100.0 * std::stod(counts[1]) / judged, std::stod(distances[1]), std::stod(distances[2])};
}

// The song's own chart with its tempo replaced; the bot presses on the new beats.
bool retime(const ScratchRunFolder& folder)
{
    const std::string chart = readText(folder.path() / ScratchRunFolder::chartPath);
    const std::string retimed = std::regex_replace(chart, std::regex(R"(#BPM:[^;]*;)"), std::string("#BPM:") + otherTempo + ";");
    return retimed != chart && folder.writeChart(retimed);
}

bool playSong(const std::string& binary, const std::filesystem::path& folder, int maxFps)
{
    const std::string fps = std::to_string(maxFps);
    if (maxFps > 0)
        setenv("FLAREVOX_MAX_FPS", fps.c_str(), 1);
    else
        unsetenv("FLAREVOX_MAX_FPS");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const std::string absolute = std::filesystem::absolute(binary).string();
    std::vector<char*> argv{const_cast<char*>(absolute.c_str()), const_cast<char*>("--autoplay"),
                            const_cast<char*>("--exit-at-end"), nullptr};
    pid_t child = 0;
    const bool spawned = posix_spawn(&child, absolute.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    unsetenv("FLAREVOX_MAX_FPS");
    if (!spawned)
        return false;
    const auto end = std::chrono::steady_clock::now() + runLimit;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::optional<Timing> measure(const std::string& binary, const Condition& condition)
{
    const ScratchRunFolder folder(std::filesystem::current_path());
    if (!folder.ready() || (condition.otherTempo && !retime(folder)))
        return std::nullopt;
    std::optional<BusyCore> busy;
    if (condition.busyCore)
        busy.emplace();
    if (!playSong(binary, folder.path(), condition.maxFps))
        return std::nullopt;
    return readTiming(readText(folder.path() / "output.log"));
}

} // namespace

TimingBench::TimingBench(std::string binary)
    : binary(std::move(binary))
{
}

BenchTable TimingBench::run() const
{
    BenchTable table;
    for (const Condition& condition : conditions) {
        std::fprintf(stderr, "flarevox-bench: timing, %s...\n", condition.name);
        const std::optional<Timing> timing = measure(binary, condition);
        const std::string at = std::string(", ") + condition.name;
        if (!timing) {
            table.add({"timing", "the song did not play to its end" + at, 0.0, "", "", 0.0, "a whole song", "missed"});
            continue;
        }
        table.add({"timing", "player 1 Godlike share" + at, timing->godlikeShare, "%", "", 0.0, ">= 99 %",
                   verdict(timing->godlikeShare >= godlikeShareTarget)});
        table.add({"timing", "median |judged distance|" + at, timing->medianMs, "ms", "", 0.0, "<= 2 ms",
                   verdict(timing->medianMs <= medianTargetMs)});
        table.add({"timing", "99th percentile |judged distance|" + at, timing->p99Ms, "ms", "", 0.0, "<= 8 ms",
                   verdict(timing->p99Ms <= p99TargetMs)});
    }
    return table;
}
