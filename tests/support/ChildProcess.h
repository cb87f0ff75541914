#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// A program of the build (or a launcher that execs one in its place, such as
// `ip netns exec NAME`), given 300 ms to open its ports and stopped with
// SIGTERM when the test ends or at stop().
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> arguments);
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void stop();
    bool started = false;

private:
    pid_t pid = 0;
};

} // namespace testsupport
