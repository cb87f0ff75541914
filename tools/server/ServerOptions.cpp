#include "ServerOptions.h"

#include <charconv>
#include <fstream>
#include <string_view>

namespace {

std::string trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

template <typename T>
bool number(const std::string& text, T low, T high, T& out)
{
    T value{};
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (problem != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return false;
    out = value;
    return true;
}

} // namespace

bool ServerOptions::set(const std::string& key, const std::string& value, std::string& error)
{
    bool ok = true;
    if (key == "Port" || key == "--port")
        ok = number<std::uint16_t>(value, 1, 65535, port);
    else if (key == "Bind" || key == "--bind")
        bindAddress = value;
    else if (key == "MaxRooms" || key == "--max-rooms")
        ok = number<std::size_t>(value, 1, 100000, limits.maxRooms);
    else if (key == "MaxClients" || key == "--max-clients")
        ok = number<std::size_t>(value, 2, 4095, limits.maxClients);
    else if (key == "MaxClientsPerAddress" || key == "--max-clients-per-address")
        ok = number<std::size_t>(value, 1, 4095, limits.maxClientsPerAddress);
    else if (key == "MaxRoomsPerAddress" || key == "--max-rooms-per-address")
        ok = number<std::size_t>(value, 1, 100000, limits.maxRoomsPerAddress);
    else if (key == "--seconds")
        ok = number<std::int64_t>(value, 1, 86400 * 365, runSeconds);
    else {
        error = "unknown setting \"" + key + "\"";
        return false;
    }
    if (!ok)
        error = "\"" + value + "\" is no value for " + key;
    return ok;
}

bool ServerOptions::readFile(const std::string& path, std::string& error)
{
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const std::string text = trimmed(std::string_view(line).substr(0, line.find('#')));
        if (text.empty())
            continue;
        const auto equals = text.find('=');
        if (equals == std::string::npos) {
            error = path + " line " + std::to_string(number) + ": no \"Key = Value\"";
            return false;
        }
        if (!set(trimmed(std::string_view(text).substr(0, equals)), trimmed(std::string_view(text).substr(equals + 1)),
                error)) {
            error = path + " line " + std::to_string(number) + ": " + error;
            return false;
        }
    }
    return true;
}

bool ServerOptions::parse(int argc, char** argv, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        if (i + 1 >= argc) {
            error = key + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (key == "--config" ? !readFile(value, error) : !set(key, value, error))
            return false;
    }
    return true;
}
