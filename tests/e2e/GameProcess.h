#pragma once

#include "support/TestSupport.h"

#include <chrono>
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace e2e {

using namespace std::chrono_literals;

// Files that take the game's standard output and error: an empty output path
// inherits the test's, an empty error path means game-stderr.txt in the folder.
struct Output {
    std::filesystem::path out;
    std::filesystem::path err;
};

// The real game binary, started in a folder with the given options and the
// test's environment; killed on destruction if it is still running. Its
// standard error goes to a file in the folder, where the sanitizers of a
// sanitizer build write their reports.
class GameProcess {
public:
    explicit GameProcess(const std::filesystem::path& folder, std::vector<std::string> options = {},
                         const Output& output = {})
        : errorFile(output.err.empty() ? folder / "game-stderr.txt" : output.err)
    {
        std::vector<std::string> words{FLAREVOX_BINARY};
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> arguments;
        for (std::string& word : words)
            arguments.push_back(word.data());
        arguments.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!output.out.empty())
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        started = posix_spawn(&pid, words[0].c_str(), &actions, nullptr, arguments.data(), environ) == 0;
        std::filesystem::current_path(previous);
        posix_spawn_file_actions_destroy(&actions);
    }

    ~GameProcess()
    {
        if (started && !exited)
            kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    }

    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool waitForExit(std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (started && !exited && std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                exited = true;
                exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            } else {
                std::this_thread::sleep_for(20ms);
            }
        }
        return exited;
    }

    // Everything the game wrote to standard error from the first sanitizer
    // report on (AddressSanitizer, LeakSanitizer, UndefinedBehaviorSanitizer);
    // empty when there is none.
    std::string sanitizerReport() const
    {
        const std::string text = testsupport::readFile(errorFile);
        std::size_t first = std::string::npos;
        for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"})
            first = std::min(first, text.find(marker));
        return first == std::string::npos ? std::string{} : text.substr(text.rfind('\n', first) + 1);
    }

    const std::filesystem::path errorFile;
    bool started = false;
    bool exited = false;
    int exitCode = -1;
    pid_t pid = 0;
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

// A captured frame (binary PPM, top row first).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    const unsigned char* at(int column, int row) const
    {
        return &rgb[(static_cast<std::size_t>(row) * width + column) * 3];
    }
    bool lit(int column, int row) const
    {
        const unsigned char* pixel = at(column, row);
        return pixel[0] || pixel[1] || pixel[2];
    }
};

inline bool readPpm(const std::filesystem::path& path, Picture& picture)
{
    const std::string bytes = testsupport::readFile(path);
    std::istringstream header(bytes);
    std::string magic;
    int maximum = 0;
    header >> magic >> picture.width >> picture.height >> maximum;
    if (magic != "P6" || maximum != 255 || picture.width <= 0 || picture.height <= 0)
        return false;
    const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
    const std::size_t size = static_cast<std::size_t>(picture.width) * picture.height * 3;
    if (bytes.size() < start + size)
        return false;
    picture.rgb.assign(bytes.begin() + start, bytes.begin() + start + size);
    return true;
}

inline std::vector<std::string> linesOf(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace e2e
