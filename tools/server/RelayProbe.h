#pragma once

#include "net/LobbyMessage.h"
#include "platform/EnetEndpoint.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// One game pair beside the load run, on a thread of its own. A and B meet
// through the server in a relayed room, and B also links to A directly on
// the loopback. One message at a time, relayed and direct in turn, goes from
// A to B, and both kinds wait in the same polling loop: the difference
// between their trip times is what the server's relay adds.
class RelayProbe {
public:
    struct Trips {
        std::vector<double> relayedMs; // sorted
        std::vector<double> directMs;  // sorted
        std::size_t sent = 0;          // both kinds
        std::string problem;           // why the pair could not meet, or was let go
    };

    explicit RelayProbe(std::uint16_t serverPort) : serverPort(serverPort) {}
    ~RelayProbe() { finish(); }
    RelayProbe(const RelayProbe&) = delete;
    RelayProbe& operator=(const RelayProbe&) = delete;

    void start();
    // Stops after the probe in flight and hands over the trips.
    Trips finish();

private:
    using Endpoint = platform::EnetEndpoint;
    using Clock = std::chrono::steady_clock;

    void run();
    bool meet();
    void probe(bool relayed);
    void pump();
    void handle(const Endpoint& at, const Endpoint::Event& event);
    bool pumpUntil(const std::function<bool()>& done, std::chrono::microseconds limit,
        std::chrono::microseconds pause);

    std::uint16_t serverPort;
    std::thread thread;
    std::atomic<bool> stopping{false};
    Trips trips;
    Endpoint a;
    Endpoint b;
    Endpoint::PeerId aServer = 0;
    Endpoint::PeerId bServer = 0;
    Endpoint::PeerId bDirect = 0;
    std::optional<Endpoint::PeerId> aDirect;
    int connected = 0; // links up, of the four ends
    // What the server has said, and the last probe to arrive at B.
    std::optional<net::RoomCode> code;
    bool told = false;
    int relaying = 0;
    std::uint64_t arrived = 0;
    Clock::time_point arrivedAt;
};
