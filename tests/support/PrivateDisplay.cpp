#include "support/PrivateDisplay.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {
namespace {

// Xvfb writes the display number it chose, then a newline, once it accepts clients.
std::string readDisplayNumber(int fd)
{
    std::string number;
    pollfd waiting{fd, POLLIN, 0};
    char c = 0;
    while (poll(&waiting, 1, 30000) > 0 && read(fd, &c, 1) == 1 && c != '\n')
        number += c;
    return c == '\n' ? number : std::string{};
}

} // namespace

PrivateDisplay::PrivateDisplay(int width, int height)
{
    if (const char* current = std::getenv("DISPLAY")) {
        previous = current;
        hadPrevious = true;
    }
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(pipeFds[1]);
    const char* arguments[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
        nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", 0, 0);
    const bool spawned = posix_spawnp(&server, "Xvfb", &actions, nullptr, const_cast<char**>(arguments), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    const std::string number = spawned ? readDisplayNumber(pipeFds[0]) : std::string{};
    close(pipeFds[0]);
    if (number.empty())
        return;
    name = ":" + number;
    setenv("DISPLAY", name.c_str(), 1);
}

PrivateDisplay::~PrivateDisplay()
{
    if (server > 0) {
        kill(server, SIGTERM);
        while (waitpid(server, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    if (hadPrevious)
        setenv("DISPLAY", previous.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

} // namespace testsupport
