#pragma once

#include "LobbyLimits.h"

#include <cstdint>
#include <string>

// The server's settings: its configuration file (lines of "Key = Value",
// '#' starts a comment), then the command line, which wins.
struct ServerOptions {
    std::string bindAddress;
    std::uint16_t port = 7494;
    LobbyLimits limits;
    std::int64_t runSeconds = 0; // 0: until stopped

    bool parse(int argc, char** argv, std::string& error);
    bool readFile(const std::string& path, std::string& error);

private:
    bool set(const std::string& key, const std::string& value, std::string& error);
};
