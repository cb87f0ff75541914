#include "StartupBench.h"

#include "Stats.h"
#include "app/StartupTimes.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Marks = std::vector<StartupTimes::Mark>;

// A start that takes longer than this is taken as hung and ended.
constexpr auto runLimit = std::chrono::seconds(60);

double msSinceEpoch(Clock::time_point time)
{
    return std::chrono::duration<double, std::milli>(time.time_since_epoch()).count();
}

// Starts the program with its output dropped and waits for its end; the
// marks it wrote, or none when it failed. start is taken just before spawning.
bool runOnce(const std::string& binary, const std::string& timesPath, double& startMs, Marks& marks)
{
    std::filesystem::remove(timesPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>(binary.c_str()), nullptr};
    pid_t child = 0;
    startMs = msSinceEpoch(Clock::now());
    const bool spawned = posix_spawn(&child, binary.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!spawned)
        return false;

    const auto end = Clock::now() + runLimit;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (Clock::now() > end) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::ifstream in(timesPath);
    std::stringstream text;
    text << in.rdbuf();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && StartupTimes::parse(text.str(), marks)
        && marks.back().first == StartupTimes::firstFrameStep;
}

// Every step's duration (from the previous mark, the first from the spawn),
// collected per step name over the runs in first-seen order.
struct StepDurations {
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> durations;

    void add(double startMs, const Marks& marks)
    {
        double previous = startMs;
        for (const auto& [step, ms] : marks) {
            if (!durations.contains(step))
                order.push_back(step);
            durations[step].push_back(ms - previous);
            previous = ms;
        }
    }
};

} // namespace

BenchTable StartupBench::run() const
{
    BenchTable table;
    const std::string timesPath =
        (std::filesystem::temp_directory_path() / ("flarevox-startup-" + std::to_string(getpid()) + ".txt")).string();
    setenv(StartupTimes::variable, timesPath.c_str(), 1);

    std::vector<double> gameTotals;
    std::vector<double> floorTotals;
    StepDurations gameSteps;
    StepDurations floorSteps;
    bool failed = false;
    for (int i = 0; i < runs && !failed; ++i) {
        double startMs = 0.0;
        Marks marks;
        failed = !runOnce(floorBinary, timesPath, startMs, marks);
        if (failed)
            break;
        floorTotals.push_back(marks.back().second - startMs);
        floorSteps.add(startMs, marks);
        failed = !runOnce(gameBinary, timesPath, startMs, marks);
        if (failed)
            break;
        gameTotals.push_back(marks.back().second - startMs);
        gameSteps.add(startMs, marks);
    }
    std::filesystem::remove(timesPath);
    unsetenv(StartupTimes::variable);
    if (failed) {
        table.add({"start-up", "runs that reached their first frame", 0, "", "", 0, "all", "missed"});
        return table;
    }

    const double floorMs = stats::median(floorTotals);
    const double gameMs = stats::median(gameTotals);
    const std::string runsText = " (median of " + std::to_string(runs) + ")";
    table.add({"start-up", "empty window to first frame" + runsText, floorMs, "ms", "", 0, "", "info"});
    table.add({"start-up", "game to first frame" + runsText, gameMs, "ms", "empty window", floorMs, "", "info"});
    char target[32];
    std::snprintf(target, sizeof target, "<= %.1fx", targetRatio);
    const double ratio = gameMs / std::max(floorMs, 1e-9);
    table.add({"start-up", "game over empty window", ratio, "x", "", 0, target, verdict(ratio <= targetRatio)});
    for (const std::string& step : floorSteps.order)
        table.add({"start-up", "empty window step: " + step, stats::median(floorSteps.durations[step]), "ms", "", 0,
            "", "info"});
    for (const std::string& step : gameSteps.order)
        table.add({"start-up", "game step: " + step, stats::median(gameSteps.durations[step]), "ms", "", 0, "", "info"});
    return table;
}
