#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// The built flarevox-relay run with these arguments, given 300 ms to open
// its ports, and stopped when the test ends. `started` is false when it
// could not be run (or was not built).
class RelayProcess {
public:
    explicit RelayProcess(std::vector<std::string> arguments);
    ~RelayProcess();
    RelayProcess(const RelayProcess&) = delete;
    RelayProcess& operator=(const RelayProcess&) = delete;

    bool started = false;

private:
    pid_t pid = 0;
};

} // namespace testsupport
