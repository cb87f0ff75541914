#pragma once

#include "app/StartupTimes.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;

// The environment of every run: no dialogs, the dummy audio driver, and only
// the given debugging switches of the game.
inline void setRunEnvironment(std::initializer_list<std::pair<const char*, std::string>> switches = {})
{
    setenv("FLAREVOX_NO_DIALOGS", "1", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const char* name :
        {"FLAREVOX_CAPTURE_FRAME", "FLAREVOX_CAPTURE_AFTER", "FLAREVOX_SIMULATED_FPS", StartupTimes::variable})
        unsetenv(name);
    for (const auto& [name, value] : switches)
        setenv(name, value.c_str(), 1);
}

// The real game binary, started in a folder with the given options and the
// test's environment. Its standard output and error go to files in the
// folder. A sanitizer's report ends the game with an exit code other than 0.
// A launcher that execs the game in its place (`ip netns exec NAME`) may go
// before it.
class GameProcess : public testsupport::ChildProcess {
public:
    explicit GameProcess(const std::filesystem::path& folder, std::vector<std::string> options = {},
                         const std::vector<std::string>& launcher = {})
        : ChildProcess(commandLine(std::move(options), launcher),
                       writingTo(folder, folder / "game-stdout.txt", folder / "game-stderr.txt"))
        , errorFile(folder / "game-stderr.txt")
    {
    }

    // What the game wrote to standard error, where a sanitizer build reports.
    std::string errors() const { return testsupport::readFile(errorFile); }

    const std::filesystem::path errorFile;

private:
    static std::vector<std::string> commandLine(std::vector<std::string> options, const std::vector<std::string>& launcher)
    {
        options.insert(options.begin(), FLAREVOX_BINARY);
        options.insert(options.begin(), launcher.begin(), launcher.end());
        return options;
    }
};

inline bool waitForFile(const std::filesystem::path& path, GameProcess& game, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (std::filesystem::exists(path))
            return true;
        if (game.waitForExit(50ms))
            return false;
    }
    return false;
}

// Escape goes to the game's window by its caption, held for half a second:
// the game reads its key flags once per frame. The release goes out even when
// the game has gone, or the key would stay down on the X server.
inline bool pressEscapeUntilExit(GameProcess& game, const std::string& title)
{
    const std::string press = "xdotool search --name '^" + title
        + "$' windowfocus keydown Escape >/dev/null 2>&1; sleep 0.5; xdotool keyup Escape >/dev/null 2>&1";
    for (int attempt = 0; attempt < 10 && !game.exited; ++attempt) {
        if (std::system(press.c_str()) == -1)
            return false;
        game.waitForExit(2s);
    }
    return game.exited;
}

// A captured frame (binary PPM, top row first).
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;

    const unsigned char* at(int column, int row) const { return &rgb[(std::size_t(row) * width + column) * 3]; }
    bool lit(int column, int row) const { return at(column, row)[0] || at(column, row)[1] || at(column, row)[2]; }
};

inline bool readPpm(const std::filesystem::path& path, Picture& picture)
{
    const std::string bytes = testsupport::readFile(path);
    std::istringstream header(bytes);
    std::string magic;
    int maximum = 0;
    header >> magic >> picture.width >> picture.height >> maximum;
    const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
    const std::size_t size = static_cast<std::size_t>(std::max(picture.width * picture.height, 0)) * 3;
    if (magic != "P6" || maximum != 255 || size == 0 || bytes.size() < start + size)
        return false;
    picture.rgb.assign(bytes.begin() + start, bytes.begin() + start + size);
    return true;
}

// The log's warnings and errors and the arrow manager's lines, to explain a failure.
inline std::string notices(const std::string& log)
{
    std::string found;
    for (const std::string& line : testsupport::linesOf(log))
        for (const char* start : {"WARNING", "ERROR", "FATAL", "ArrowManager"})
            if (line.starts_with(start))
                found += line + "\n";
    return found;
}

} // namespace e2e
