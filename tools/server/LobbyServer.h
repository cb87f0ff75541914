#pragma once

#include "Lobby.h"
#include "RelayTimes.h"
#include "ServerOptions.h"

#include "platform/EnetEndpoint.h"

#include <atomic>
#include <cstdint>
#include <string>

// The lobby on the network: takes the games' connections and packets from
// ENet, hands them to the Lobby and sends what it answers.
class LobbyServer {
public:
    LobbyServer(const ServerOptions& options, Lobby::Log log);

    bool open(std::string& error);
    // One round: waits up to waitMs for traffic, handles all of it, expires.
    void step(std::uint32_t waitMs);
    // Steps until `stop` is set or the run time is over.
    void run(const std::atomic<bool>& stop);
    std::uint16_t port() const { return endpoint.localPort(); }
    const Lobby& lobby() const { return rooms; }
    const RelayTimes& relayTimes() const { return relayed; }
    void close() { endpoint.close(); }

private:
    void handle(platform::EnetEndpoint::Event& event, std::int64_t nowUs);
    void deliver();
    void reportIfDue(std::int64_t nowUs);

    ServerOptions options;
    Lobby::Log log;
    Lobby rooms;
    platform::EnetEndpoint endpoint;
    std::int64_t lastExpiryUs = 0;
    std::int64_t lastReportUs = 0;
    RelayTimes relayed;
};
