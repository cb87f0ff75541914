#pragma once

#include <cstdint>
#include <string>

// The relay's command line:
//   flarevox-relay --listen PORT --to 127.0.0.1:PORT [--delay MS] [--jitter MS]
//                  [--loss FRACTION] [--seed N] [--seconds S] [--allow ADDRESS]
// Delay and jitter apply to each direction. It listens on the loopback only
// and forwards to a loopback address, or to the one private (RFC 1918)
// address that --allow names, as a test's own network namespace has.
struct RelayOptions {
    std::uint16_t listenPort = 0;
    std::uint32_t targetAddress = 0; // IPv4, host byte order
    std::uint16_t targetPort = 0;
    std::uint32_t allowedAddress = 0; // --allow, host byte order; 0 for none
    double delayMs = 0.0;
    double jitterMs = 0.0;
    double loss = 0.0;
    std::uint32_t seed = 1;
    double seconds = 300.0;

    static constexpr double maxSeconds = 3600.0;
    static constexpr double maxDelayMs = 10000.0;

    // False with a message in `error` for a missing, malformed or
    // out-of-range option.
    bool parse(int argc, char** argv, std::string& error);
};
