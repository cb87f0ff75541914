#include "flow/NetPlan.h"

#include <charconv>

bool NetPlan::setServer(const std::string& setting, std::string& problem)
{
    server.clear();
    if (setting.empty())
        return true;
    const auto colon = setting.rfind(':');
    std::uint16_t number = net::defaultServerPort;
    if (colon != std::string::npos) {
        const char* first = setting.data() + colon + 1;
        const char* last = setting.data() + setting.size();
        const auto [end, error] = std::from_chars(first, last, number);
        if (error != std::errc() || end != last || number == 0) {
            problem = "[Network] Server = " + setting + " has no port from 1 to 65535 after the colon";
            return false;
        }
    }
    if (colon == 0) {
        problem = "[Network] Server = " + setting + " names no host";
        return false;
    }
    server = setting.substr(0, colon);
    serverPort = number;
    return true;
}
