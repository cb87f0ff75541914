#pragma once

#include "net/LobbyMessage.h"

#include <cstdint>
#include <optional>
#include <string>

// A battle across two machines as the command line or the story screen asks
// for it: host on a port, or join a host at an address and port; through a
// lobby server (the configuration's [Network] Server) host a room, or join
// one by its code.
struct NetPlan {
    NetPlan() = default;
    NetPlan(bool hosting, std::string hostName, std::uint16_t port)
        : hosting(hosting), hostName(std::move(hostName)), port(port)
    {
    }

    bool hosting = false;
    std::string hostName; // the host to join
    std::uint16_t port = 0;
    // Set when the host's name is also a room code: joined through the
    // server when one is set, else taken as the host's name.
    std::optional<net::RoomCode> roomCode;
    std::string server; // the lobby server's name, empty for none
    std::uint16_t serverPort = 0;

    // Reads [Network] Server (HOST or HOST:PORT; empty for none). False,
    // with the reason, for a value that is no address.
    bool setServer(const std::string& setting, std::string& problem);
    bool viaServer() const { return !server.empty() && (hosting || roomCode); }
};
