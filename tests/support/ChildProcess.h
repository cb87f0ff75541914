#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// A program the test runs: the game, a tool of the build (or a launcher that
// execs one in its place, such as `ip netns exec NAME`), a server or a
// script. Stopped with SIGTERM, and SIGKILL after five seconds, when the test
// ends or at stop().
class ChildProcess {
public:
    struct Options {
        std::filesystem::path folder;         // its working folder; empty: the test's
        std::filesystem::path output;         // its standard output, and error unless `errors`; empty: the test's
        std::filesystem::path errors;
        std::vector<std::string> environment; // its whole environment; empty: the test's
        std::chrono::milliseconds settle{0};  // given to it at the start, to open its ports
    };
    // A server's: 300 ms to open its ports.
    static Options listening();
    // In `folder`, writing to files there.
    static Options writingTo(const std::filesystem::path& folder, const std::filesystem::path& output,
                             const std::filesystem::path& errors = {});

    explicit ChildProcess(std::vector<std::string> arguments);
    ChildProcess(std::vector<std::string> arguments, const Options& options);
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Whether it has ended, waiting up to `limit` for it.
    bool waitForExit(std::chrono::milliseconds limit);
    void stop();

    bool started = false;
    bool exited = false;
    int exitCode = -1; // -1 after a signal
    pid_t pid = 0;
};

} // namespace testsupport
