#include "support/SoundServer.h"

#include "support/TestSupport.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {
namespace {

using namespace std::chrono_literals;

constexpr auto serverStartLimit = 15s;
constexpr auto stopLimit = 5s;

bool waitForExit(pid_t child, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        const pid_t done = waitpid(child, nullptr, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

} // namespace

SoundServer::SoundServer()
{
    char pattern[] = "/tmp/flarevox-pulse-XXXXXX";
    if (!mkdtemp(pattern))
        return;
    folder = pattern;
    // A server left behind by a crashed test ends itself after a minute without
    // clients. Its home, configuration and runtime folders are ours: no user's server,
    // cookie or configuration is touched, and none of theirs gets in.
    const std::string home = "HOME=" + folder.string();
    const std::string runtime = "XDG_RUNTIME_DIR=" + folder.string();
    const std::string config = "XDG_CONFIG_HOME=" + folder.string();
    const std::string pulseRuntime = "PULSE_RUNTIME_PATH=" + folder.string();
    const std::string path = std::string("PATH=") + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    const std::string protocol =
        "--load=module-native-protocol-unix auth-anonymous=1 socket=" + (folder / "native").string();
    // The null sink paces itself by the duration of each block it plays, in whole
    // microseconds rounded down: at 44.1 or 48 kHz that makes it play up to 0.04 %
    // fast when a client asks for a short latency. At 50 kHz a frame lasts exactly
    // 20 us, and the sink keeps the system clock's rate as a sound card does.
    const std::string sink = std::string("--load=module-null-sink rate=50000 sink_name=") + sinkName;
    const char* environment[] = {home.c_str(), runtime.c_str(), config.c_str(), pulseRuntime.c_str(), path.c_str(),
        nullptr};
    const char* arguments[] = {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=60", "--use-pid-file=no",
        sink.c_str(), protocol.c_str(), nullptr};
    const std::string log = (folder / "server.log").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const bool spawned = posix_spawnp(&server, "pulseaudio", &actions, nullptr, const_cast<char**>(arguments),
                                      const_cast<char**>(environment)) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!spawned) {
        server = 0;
        return;
    }
    const auto end = std::chrono::steady_clock::now() + serverStartLimit;
    while (std::chrono::steady_clock::now() < end && !ready_) {
        if (waitpid(server, nullptr, WNOHANG) == server) {
            server = 0;
            return;
        }
        ready_ = std::filesystem::exists(folder / "native");
        std::this_thread::sleep_for(50ms);
    }
}

SoundServer::~SoundServer()
{
    if (server > 0) {
        kill(server, SIGTERM);
        if (!waitForExit(server, stopLimit)) {
            kill(server, SIGKILL);
            waitForExit(server, stopLimit);
        }
    }
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

std::string SoundServer::messages() const
{
    return folder.empty() ? std::string("no folder for the sound server") : readFile(folder / "server.log");
}

} // namespace testsupport
