#pragma once

#include "RelayOptions.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <queue>
#include <random>
#include <vector>

// Forwards UDP datagrams between clients that send to the listening port and
// the target, each datagram held back by the delay plus a uniform jitter or
// dropped with the loss probability. Every client gets its own socket towards
// the target, so the target sees each as a peer of its own. Single-threaded.
class Relay {
public:
    explicit Relay(const RelayOptions& options);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    // Opens the listening socket; false (with a message on stderr) when it cannot.
    bool open();
    // Relays until the run time is over.
    void run();

    std::uint64_t forwarded() const { return forwardedCount; }
    std::uint64_t lost() const { return lostCount; }

private:
    using Clock = std::chrono::steady_clock;
    struct Datagram {
        Clock::time_point due;
        std::uint64_t order;   // keeps equal due times in arrival order
        std::uint64_t client;  // address and port of the client
        bool towardsTarget;
        std::vector<std::uint8_t> bytes;
        bool operator>(const Datagram& other) const
        {
            return due != other.due ? due > other.due : order > other.order;
        }
    };

    void receiveFrom(int socket, std::uint64_t client, bool towardsTarget);
    int upstreamFor(std::uint64_t client);
    void deliverDue();

    RelayOptions options;
    int listenSocket = -1;
    std::map<std::uint64_t, int> upstream; // client -> its socket towards the target
    std::priority_queue<Datagram, std::vector<Datagram>, std::greater<>> pending;
    std::mt19937 random;
    std::uint64_t arrivals = 0;
    std::uint64_t forwardedCount = 0;
    std::uint64_t lostCount = 0;
};
