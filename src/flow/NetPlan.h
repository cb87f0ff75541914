#pragma once

#include <cstdint>
#include <string>

// A battle across two machines as the command line asks for it: host on a
// port, or join a host at an address and port.
struct NetPlan {
    bool hosting = false;
    std::string hostName; // the host to join
    std::uint16_t port = 0;
};
