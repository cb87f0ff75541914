// flarevox-relay: sits between two games on the loopback and adds delay,
// jitter and loss, e.g.
//   flarevox-relay --listen 7500 --to 127.0.0.1:7493 --delay 50 --jitter 10 --loss 0.02 --seed 1
// The guest joins 127.0.0.1:7500 instead of the host's port. Inside a test's
// network namespace it may forward to that test's private address:
//   flarevox-relay --listen 7500 --to 10.200.0.1:7493 --allow 10.200.0.1
// Ends after
// --seconds (300 by default, at most an hour).
#include "Relay.h"
#include "RelayOptions.h"

#include <cstdio>

int main(int argc, char** argv)
{
    RelayOptions options;
    std::string error;
    if (!options.parse(argc, argv, error)) {
        std::fprintf(stderr, "flarevox-relay: %s\n", error.c_str());
        return 2;
    }
    Relay relay(options);
    if (!relay.open())
        return 1;
    std::printf("flarevox-relay: listening on 127.0.0.1:%u\n", static_cast<unsigned>(options.listenPort));
    std::fflush(stdout);
    relay.run();
    std::printf("flarevox-relay: forwarded %llu, lost %llu\n", static_cast<unsigned long long>(relay.forwarded()),
        static_cast<unsigned long long>(relay.lost()));
    return 0;
}
