#include "LibraryScaleBench.h"

#include "ForgedLibrary.h"
#include "ScratchRunFolder.h"
#include "Stats.h"
#include "app/StartupTimes.h"
#include "library/LibraryScanner.h"
#include "library/SongCache.h"
#include "library/SongLibrary.h"
#include "library/SongSelection.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int startRuns = 5;
constexpr double firstFrameRatio = 1.1;
constexpr double coldScanSeconds = 8.0;
constexpr double warmPanelSeconds = 1.0;
constexpr double searchMs = 2.0;
constexpr double memoryMiB = 100.0;
constexpr auto gameLimit = std::chrono::seconds(60);

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Scan {
    double seconds = 0.0;
    std::size_t songs = 0;
    std::size_t readAnew = 0;
};

Scan scan(const fs::path& library, const fs::path& cache)
{
    const auto start = Clock::now();
    library::LibraryScanner scanner({library}, cache);
    scanner.waitUntilFinished();
    return {secondsSince(start), scanner.takeSongs().size(), scanner.progress().readAnew};
}

// The slowest of narrowing the whole list by one letter and by the next.
double searchMsAt(std::vector<library::SongEntry> songs)
{
    library::SongSelection selection(std::move(songs));
    std::vector<double> times;
    for (int round = 0; round < 20; ++round)
        for (const char* text : {"", "s", "so"}) {
            const auto start = Clock::now();
            selection.setQuery(text);
            times.push_back(secondsSince(start) * 1000.0);
        }
    return *std::max_element(times.begin(), times.end());
}

class Game {
public:
    Game(const std::string& binary, const fs::path& folder)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        std::vector<char*> argv{const_cast<char*>(binary.c_str()), nullptr};
        start = Clock::now();
        if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Game()
    {
        if (pid <= 0)
            return;
        if (!ended)
            kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Waits for its end; false when it failed or took too long.
    bool waitForExit()
    {
        int status = 0;
        while (pid > 0 && waitpid(pid, &status, WNOHANG) == 0) {
            if (Clock::now() - start > gameLimit)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ended = true;
        return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    // Seconds from the start until the log holds the line; negative when it never does.
    double secondsUntilLogged(const fs::path& log, const std::string& line) const
    {
        while (pid > 0 && Clock::now() - start < gameLimit) {
            std::ifstream in(log);
            std::stringstream text;
            text << in.rdbuf();
            if (text.str().find(line) != std::string::npos)
                return secondsSince(start);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return -1.0;
    }

    double residentMiB() const
    {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string key;
        double kib = 0.0;
        while (status >> key)
            if (key == "VmRSS:" && status >> kib)
                break;
        return kib / 1024.0;
    }

private:
    pid_t pid = 0;
    bool ended = false;
    Clock::time_point start;
};

// Process start to the first frame, from the game's own note of it.
double firstFrameMs(const std::string& binary, const fs::path& folder)
{
    const fs::path times = folder / "startup-times.txt";
    setenv(StartupTimes::variable, times.c_str(), 1);
    const double startMs = std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
    Game game(binary, folder);
    const bool ok = game.waitForExit();
    unsetenv(StartupTimes::variable);
    std::ifstream in(times);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<StartupTimes::Mark> marks;
    if (!ok || !StartupTimes::parse(text.str(), marks))
        return -1.0;
    return marks.back().second - startMs;
}

struct Panel {
    double seconds = -1.0;
    double residentMiB = 0.0;
};

// Start to the log's count of the library's songs, and the memory then.
Panel panel(const std::string& binary, const fs::path& folder, std::size_t songs)
{
    std::error_code ignored;
    fs::remove(folder / "output.log", ignored);
    Game game(binary, folder);
    Panel shown;
    shown.seconds = game.secondsUntilLogged(folder / "output.log", "SongLibrary: " + std::to_string(songs) + " songs");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    shown.residentMiB = game.residentMiB();
    return shown;
}

void setLibrary(const fs::path* library)
{
    if (library)
        setenv(library::SongLibrary::songDirsVariable, library->c_str(), 1);
    else
        unsetenv(library::SongLibrary::songDirsVariable);
}

} // namespace

BenchTable LibraryScaleBench::run() const
{
    BenchTable table;
    const std::string section = "library-scale";
    const int total = packs * songsPerPack;
    char pattern[] = "/tmp/flarevox-library-scale-XXXXXX";
    if (!mkdtemp(pattern)) {
        table.add({section, "forged library written", 0, "", "", 0, "yes", "missed"});
        return table;
    }
    const fs::path scratch = pattern;
    const fs::path library = scratch / "Songs";
    const auto forging = Clock::now();
    const bool forged = ForgedLibrary::write(library, packs, songsPerPack);
    table.add({section, "forging " + std::to_string(total) + " song folders", secondsSince(forging), "s", "", 0, "",
               forged ? "info" : "missed"});

    const fs::path cache = scratch / library::SongCache::fileName;
    const Scan cold = scan(library, cache);
    table.add({section, "cold scan, no cache", cold.seconds, "s", "", 0, "<= 8 s", verdict(cold.seconds <= coldScanSeconds)});
    table.add({section, "songs listed", static_cast<double>(cold.songs), "", "", 0, std::to_string(total),
               verdict(cold.songs == static_cast<std::size_t>(total))});
    const Scan warm = scan(library, cache);
    table.add({section, "warm scan in this process", warm.seconds, "s", "", 0, "", "info"});
    table.add({section, "folders read again with a warm cache", static_cast<double>(warm.readAnew), "", "", 0, "0",
               verdict(warm.readAnew == 0 && warm.songs == cold.songs)});
    const int changedPack = packs / 2;
    std::ofstream(ForgedLibrary::songFolder(library, changedPack, changedPack * songsPerPack + songsPerPack / 2) / "song.sm",
                  std::ios::app)
        << "// edited\n";
    const Scan changed = scan(library, cache);
    table.add({section, "folders read again after one song changed", static_cast<double>(changed.readAnew), "", "", 0,
               "1", verdict(changed.readAnew == 1)});

    library::LibraryScan listed = library::SongLibrary::scan({library});
    const double search = searchMsAt(std::move(listed.songs));
    table.add({section, "search: one more letter at " + std::to_string(total) + " songs (worst of 60)", search, "ms", "",
               0, "<= 2 ms", verdict(search <= searchMs)});

    const ScratchRunFolder run(fs::current_path());
    if (!run.ready()) {
        table.add({section, "scratch run folder", 0, "", "", 0, "yes", "missed"});
        return table;
    }
    fs::copy_file(cache, run.path() / library::SongCache::fileName, fs::copy_options::overwrite_existing);
    std::vector<double> empty, full;
    for (int round = 0; round < startRuns; ++round) {
        setLibrary(nullptr);
        empty.push_back(firstFrameMs(gameBinary, run.path()));
        setLibrary(&library);
        full.push_back(firstFrameMs(gameBinary, run.path()));
    }
    const double ratio = stats::median(full) / std::max(stats::median(empty), 1e-9);
    table.add({section, "first frame, empty library (median of 5)", stats::median(empty), "ms", "", 0, "", "info"});
    table.add({section, "first frame, " + std::to_string(total) + " songs (median of 5)", stats::median(full), "ms",
               "empty library", stats::median(empty), "", "info"});
    table.add({section, "first frame with the songs over without", ratio, "x", "", 0, "<= 1.1x",
               verdict(ratio <= firstFrameRatio && *std::min_element(full.begin(), full.end()) > 0.0)});

    setLibrary(nullptr);
    const Panel bare = panel(gameBinary, run.path(), 1);
    setLibrary(&library);
    fs::copy_file(cache, run.path() / library::SongCache::fileName, fs::copy_options::overwrite_existing);
    const Panel shown = panel(gameBinary, run.path(), static_cast<std::size_t>(total) + 1);
    setLibrary(nullptr);
    table.add({section, "warm cache: start to a panel of every song", shown.seconds, "s", "", 0, "<= 1 s (goal 0.5 s)",
               verdict(shown.seconds > 0.0 && shown.seconds <= warmPanelSeconds)});
    const double grown = shown.residentMiB - bare.residentMiB;
    table.add({section, "game's memory for the songs over an empty library", grown, "MiB", "", 0, "<= 100 MiB",
               verdict(bare.seconds > 0.0 && grown <= memoryMiB)});
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return table;
}
