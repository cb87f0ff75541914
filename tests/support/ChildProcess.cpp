#include "support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace testsupport {
namespace {

constexpr auto stopLimit = std::chrono::seconds(5);

std::vector<char*> pointersTo(std::vector<std::string>& words)
{
    std::vector<char*> pointers;
    for (std::string& word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::Options ChildProcess::listening()
{
    Options options;
    options.settle = std::chrono::milliseconds(300);
    return options;
}

ChildProcess::Options ChildProcess::writingTo(const std::filesystem::path& folder, const std::filesystem::path& output,
                                              const std::filesystem::path& errors)
{
    Options options;
    options.folder = folder;
    options.output = output;
    options.errors = errors;
    return options;
}

ChildProcess::ChildProcess(std::vector<std::string> arguments)
    : ChildProcess(std::move(arguments), Options())
{
}

ChildProcess::ChildProcess(std::vector<std::string> arguments, const Options& options)
{
    std::vector<std::string> environment = options.environment;
    const std::vector<char*> argv = pointersTo(arguments);
    const std::vector<char*> envp = pointersTo(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!options.output.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, options.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (options.errors.empty())
            posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        else
            posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, options.errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                             0644);
    }
    if (!options.folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.folder.c_str());
    started = !arguments.empty()
        && posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environment.empty() ? environ : envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (started)
        std::this_thread::sleep_for(options.settle);
}

bool ChildProcess::waitForExit(std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (started && !exited) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            exited = true;
            exitCode = done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        } else if (std::chrono::steady_clock::now() >= end) {
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return exited;
}

void ChildProcess::stop()
{
    if (!started || exited)
        return;
    kill(pid, SIGTERM);
    if (!waitForExit(stopLimit)) {
        kill(pid, SIGKILL);
        waitForExit(stopLimit);
    }
}

} // namespace testsupport
