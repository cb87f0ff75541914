#pragma once

#include <string>
#include <vector>

namespace platform {

// The machine's IPv4 addresses a peer could reach it on, loopback last
// (empty when the interfaces cannot be read).
std::vector<std::string> localAddresses();

} // namespace platform
