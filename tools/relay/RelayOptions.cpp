#include "RelayOptions.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstring>
#include <string_view>

namespace {

bool toNumber(std::string_view text, double& value)
{
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    return problem == std::errc() && end == text.data() + text.size();
}

bool toPort(std::string_view text, std::uint16_t& port)
{
    unsigned value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (problem != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool inRange(double value, double low, double high)
{
    return value >= low && value <= high;
}

bool toAddress(std::string_view text, std::uint32_t& address)
{
    in_addr parsed{};
    if (inet_pton(AF_INET, std::string(text).c_str(), &parsed) != 1)
        return false;
    address = ntohl(parsed.s_addr);
    return true;
}

bool isLoopback(std::uint32_t address)
{
    return (address >> 24) == 127;
}

// 10.0.0.0/8, 172.16.0.0/12 and 192.168.0.0/16: never a stranger's machine.
bool isPrivate(std::uint32_t address)
{
    return (address >> 24) == 10 || (address >> 20) == 0xAC1 || (address >> 16) == 0xC0A8;
}

} // namespace

bool RelayOptions::parse(int argc, char** argv, std::string& error)
{
    bool haveTarget = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (i + 1 >= argc) {
            error = "option " + std::string(name) + " needs a value";
            return false;
        }
        const std::string_view value = argv[++i];
        double number = 0.0;
        bool good = true;
        if (name == "--listen") {
            good = toPort(value, listenPort);
        } else if (name == "--to") {
            const auto colon = value.rfind(':');
            good = colon != std::string_view::npos && toAddress(value.substr(0, colon), targetAddress) &&
                toPort(value.substr(colon + 1), targetPort);
            haveTarget = good;
        } else if (name == "--allow") {
            good = toAddress(value, allowedAddress) && isPrivate(allowedAddress);
        } else if (name == "--delay") {
            good = toNumber(value, delayMs) && inRange(delayMs, 0.0, maxDelayMs);
        } else if (name == "--jitter") {
            good = toNumber(value, jitterMs) && inRange(jitterMs, 0.0, maxDelayMs);
        } else if (name == "--loss") {
            good = toNumber(value, loss) && inRange(loss, 0.0, 1.0);
        } else if (name == "--seed") {
            good = toNumber(value, number) && inRange(number, 0.0, 4294967295.0);
            seed = static_cast<std::uint32_t>(number);
        } else if (name == "--seconds") {
            good = toNumber(value, seconds) && inRange(seconds, 0.1, maxSeconds);
        } else {
            error = "unknown option " + std::string(name);
            return false;
        }
        if (!good) {
            error = "bad value \"" + std::string(value) + "\" for " + std::string(name);
            return false;
        }
    }
    if (!listenPort || !haveTarget) {
        error = "--listen PORT and --to 127.0.0.1:PORT are needed";
        return false;
    }
    if (!isLoopback(targetAddress) && (allowedAddress == 0 || targetAddress != allowedAddress)) {
        error = "--to must be a loopback address (127.x.x.x) or the private address --allow names";
        return false;
    }
    return true;
}
