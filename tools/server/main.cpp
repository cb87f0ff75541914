// flarevox-server: the lobby and relay where two Flarevox games meet by a
// room code, e.g.
//   flarevox-server --config /etc/flarevox/server.conf
//   flarevox-server --port 7494 --max-rooms 500
// Every event is one line on standard output (the journal, under systemd).
#include "LobbyServer.h"
#include "ServerOptions.h"

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> stopRequested{false};

void requestStop(int)
{
    stopRequested = true;
}

void printLine(const std::string& line)
{
    std::printf("flarevox-server: %s\n", line.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    ServerOptions options;
    std::string error;
    if (!options.parse(argc, argv, error)) {
        std::fprintf(stderr, "flarevox-server: %s\n", error.c_str());
        return 2;
    }
    std::signal(SIGTERM, requestStop);
    std::signal(SIGINT, requestStop);
    LobbyServer server(options, printLine);
    if (!server.open(error)) {
        std::fprintf(stderr, "flarevox-server: %s\n", error.c_str());
        return 1;
    }
    server.run(stopRequested);
    return 0;
}
