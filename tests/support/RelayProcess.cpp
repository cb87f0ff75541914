#include "support/RelayProcess.h"

#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace testsupport {

RelayProcess::RelayProcess(std::vector<std::string> arguments)
{
#ifdef FLAREVOX_RELAY
    arguments.insert(arguments.begin(), FLAREVOX_RELAY);
    std::vector<char*> argv;
    for (std::string& word : arguments)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    started = posix_spawn(&pid, FLAREVOX_RELAY, nullptr, nullptr, argv.data(), environ) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
#else
    (void)arguments;
#endif
}

RelayProcess::~RelayProcess()
{
    if (!started)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

} // namespace testsupport
