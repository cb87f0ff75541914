#include "support/SoundServer.h"

#include "support/TestSupport.h"

#include <chrono>
#include <cstdlib>
#include <vector>

namespace testsupport {
namespace {

using namespace std::chrono_literals;

constexpr auto serverStartLimit = 15s;

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
    ChildProcess::Options options = ChildProcess::writingTo({}, folder / "server.log");
    options.environment = {home, runtime, config, pulseRuntime, path};
    server = std::make_unique<ChildProcess>(
        std::vector<std::string>{"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=60", "--use-pid-file=no", sink,
                                 protocol},
        options);
    const auto end = std::chrono::steady_clock::now() + serverStartLimit;
    while (server->started && std::chrono::steady_clock::now() < end && !ready_) {
        if (server->waitForExit(50ms))
            return;
        ready_ = std::filesystem::exists(folder / "native");
    }
}

SoundServer::~SoundServer()
{
    server.reset();
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
