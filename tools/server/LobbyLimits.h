#pragma once

#include <cstddef>
#include <cstdint>

// What one server holds at most, and for how long. Every limit bounds the
// memory that one address or one room can make the server keep.
struct LobbyLimits {
    std::size_t maxClients = 4000;            // connected games (ENet allows up to 4095)
    std::size_t maxRooms = 2000;
    std::size_t maxClientsPerAddress = 16;    // games behind one public address
    std::size_t maxRoomsPerAddress = 4;
    unsigned wrongCodeLimit = 5;              // wrong codes from one address ...
    std::int64_t wrongCodeWindowUs = 600000000; // ... within this time lock it out for the rest of it
    std::size_t maxLockRecords = 65536;       // addresses whose wrong codes are remembered
    std::int64_t waitingRoomUs = 900000000;   // a room without a guest closes after this
    std::int64_t roomLifetimeUs = 14400000000; // any room closes after this
    std::int64_t idleClientUs = 30000000;     // a game that opens or joins no room is let go
    double relayMessagesPerSecond = 400.0;    // per room, both directions together
    double relayBurst = 800.0;
};
