#pragma once

#include "LobbyLimits.h"

#include "net/LobbyMessage.h"
#include "net/LogThrottle.h"
#include "net/RateLimiter.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

// The server's rooms and relays, without the network: the server hands it
// each game's arrival, packets and departure, and sends what it queues.
// A host opens a room and gets a code; a guest joins by the code; each is
// told the other's public address; on request the room's messages are
// relayed. Holds nothing about a battle.
class Lobby {
public:
    using ClientId = std::uint32_t;
    using Log = std::function<void(const std::string&)>;
    struct Outgoing {
        ClientId to = 0;
        std::vector<std::uint8_t> bytes;
        // A relayed message: when it came in.
        std::optional<std::int64_t> relayedSinceUs;
    };
    // Why packets were not taken, each with its own count and log budget.
    enum class Drop { Malformed, Unexpected, RelayFlood, Count };
    struct Counters {
        std::uint64_t roomsOpened = 0;
        std::uint64_t roomsExpired = 0;
        std::uint64_t wrongCodes = 0;
        std::uint64_t lockedOut = 0;
        std::uint64_t relayed = 0;
        std::array<std::uint64_t, static_cast<std::size_t>(Drop::Count)> dropped{};
    };

    Lobby(const LobbyLimits& limits, Log log, std::uint64_t seed);

    // A game connected from this public address; false when it must be let go.
    bool admit(ClientId client, std::uint32_t ip, std::uint16_t port, std::int64_t nowUs);
    void leave(ClientId client);
    void receive(ClientId client, std::span<const std::uint8_t> bytes, std::int64_t nowUs);
    // Closes rooms and lets go of idle games whose time is up.
    void expire(std::int64_t nowUs);

    // What to send, and whom to disconnect, since the last call.
    std::vector<Outgoing> takeOutgoing();
    std::vector<ClientId> takeDisconnects();

    const Counters& counters() const { return count; }
    std::size_t roomCount() const { return rooms.size(); }
    std::size_t clientCount() const { return clients.size(); }

private:
    struct Client {
        std::uint32_t ip = 0;
        std::uint16_t port = 0;
        std::int64_t idleSinceUs = 0;
        std::optional<std::string> room;
    };
    struct Room {
        net::RoomCode code{};
        ClientId host = 0;
        std::uint32_t hostIp = 0;
        std::optional<ClientId> guest;
        std::int64_t openedUs = 0;
        bool relaying = false;
        net::RateLimiter relayRate;
    };
    struct AddressRecord {
        std::size_t clients = 0;
        std::size_t rooms = 0;
    };
    struct LockRecord {
        unsigned wrongCodes = 0;
        std::int64_t firstWrongUs = 0;
    };

    void openRoom(ClientId id, Client& client, std::int64_t nowUs);
    void joinRoom(ClientId id, Client& client, const net::RoomCode& code, std::int64_t nowUs);
    void useRelay(ClientId id, const Client& client);
    void relay(ClientId id, const Client& client, std::vector<std::uint8_t>& payload, std::int64_t nowUs);
    bool lockedOut(std::uint32_t ip, std::int64_t nowUs);
    void countWrongCode(std::uint32_t ip, std::int64_t nowUs);
    void closeRoom(std::string code, const char* why);
    std::optional<ClientId> otherSide(const Room& room, ClientId id) const;
    net::RoomCode freshCode();
    void send(ClientId to, const net::LobbyMessage& message);
    void refuse(ClientId to, net::RefusalReason reason);
    void drop(Drop kind, ClientId from, const std::string& reason, std::int64_t nowUs);
    std::string who(ClientId id) const;
    static std::string addressText(std::uint32_t ip, std::uint16_t port);

    LobbyLimits limits;
    Log log;
    std::mt19937_64 random;
    std::unordered_map<ClientId, Client> clients;
    std::unordered_map<std::string, Room> rooms;
    std::unordered_map<std::uint32_t, AddressRecord> addresses;
    std::unordered_map<std::uint32_t, LockRecord> locks;
    net::LogThrottle dropLines{static_cast<std::size_t>(Drop::Count), 1000000};
    Counters count;
    std::vector<Outgoing> outgoing;
    std::vector<ClientId> disconnects;
};
