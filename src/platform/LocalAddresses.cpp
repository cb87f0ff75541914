#include "platform/LocalAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace platform {

std::vector<std::string> localAddresses()
{
    std::vector<std::string> outside;
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return {};
    for (const ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (!inet_ntop(AF_INET, &address->sin_addr, text, sizeof text))
            continue;
        const bool isLoopback = (ntohl(address->sin_addr.s_addr) >> 24) == 127;
        if (!isLoopback)
            outside.emplace_back(text);
    }
    freeifaddrs(interfaces);
    return outside;
}

} // namespace platform
