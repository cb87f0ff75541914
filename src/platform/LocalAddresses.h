#pragma once

#include <string>
#include <vector>

namespace platform {

// The machine's IPv4 addresses a peer on another machine could reach it on:
// never the loopback (empty when the machine has no other, or the interfaces
// cannot be read).
std::vector<std::string> localAddresses();

} // namespace platform
