#pragma once

#include "support/TestSupport.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace e2e {

using namespace std::chrono_literals;

// The real game binary, started in a folder with the given options and the
// test's environment; killed on destruction if it is still running.
class GameProcess {
public:
    explicit GameProcess(const std::filesystem::path& folder, std::vector<std::string> options = {})
    {
        std::vector<std::string> words{FLAREVOX_BINARY};
        words.insert(words.end(), options.begin(), options.end());
        std::vector<char*> arguments;
        for (std::string& word : words)
            arguments.push_back(word.data());
        arguments.push_back(nullptr);
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        started = posix_spawn(&pid, words[0].c_str(), nullptr, nullptr, arguments.data(), environ) == 0;
        std::filesystem::current_path(previous);
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

inline std::vector<std::string> linesOf(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace e2e
