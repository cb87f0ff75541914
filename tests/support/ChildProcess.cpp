#include "support/ChildProcess.h"

#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace testsupport {

ChildProcess::ChildProcess(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (std::string& word : arguments)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    started = !arguments.empty() && posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

void ChildProcess::stop()
{
    if (!started)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    started = false;
}

} // namespace testsupport
