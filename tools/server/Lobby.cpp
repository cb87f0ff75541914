#include "Lobby.h"

#include "net/LobbyCodec.h"

#include <algorithm>
#include <utility>

namespace {

const char* dropName(Lobby::Drop kind)
{
    switch (kind) {
    case Lobby::Drop::Malformed: return "malformed";
    case Lobby::Drop::Unexpected: return "unexpected";
    case Lobby::Drop::RelayFlood: return "relay flood";
    case Lobby::Drop::Count: break;
    }
    return "?";
}

std::string codeString(const net::RoomCode& code)
{
    return std::string(net::codeText(code));
}

net::PeerAddress peerAddress(std::uint32_t ip, std::uint16_t port)
{
    net::PeerAddress address;
    for (std::size_t i = 0; i < address.ip.size(); ++i)
        address.ip[i] = static_cast<std::uint8_t>(ip >> (24 - 8 * i));
    address.port = port;
    return address;
}

} // namespace

Lobby::Lobby(const LobbyLimits& limits, Log log, std::uint64_t seed)
    : limits(limits), log(std::move(log)), random(seed)
{
}

std::string Lobby::addressText(std::uint32_t ip, std::uint16_t port)
{
    return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFFu) + "." +
        std::to_string((ip >> 8) & 0xFFu) + "." + std::to_string(ip & 0xFFu) + ":" + std::to_string(port);
}

std::string Lobby::who(ClientId id) const
{
    const auto found = clients.find(id);
    return found == clients.end() ? "game " + std::to_string(id) : addressText(found->second.ip, found->second.port);
}

bool Lobby::admit(ClientId id, std::uint32_t ip, std::uint16_t port, std::int64_t nowUs)
{
    const auto address = addresses.find(ip);
    const bool full = clients.size() >= limits.maxClients;
    if (full || (address != addresses.end() && address->second.clients >= limits.maxClientsPerAddress)) {
        log("turned away " + addressText(ip, port) +
            (full ? ": the server is full" : ": too many games from one address"));
        refuse(id, net::RefusalReason::ServerFull);
        disconnects.push_back(id);
        return false;
    }
    ++addresses[ip].clients;
    clients[id] = Client{ip, port, nowUs, std::nullopt};
    return true;
}

void Lobby::leave(ClientId id)
{
    const auto found = clients.find(id);
    if (found == clients.end())
        return;
    if (found->second.room) {
        const auto room = rooms.find(*found->second.room);
        if (room != rooms.end() && room->second.host == id) {
            closeRoom(room->first, "its host left");
        } else if (room != rooms.end()) {
            log("room " + room->first + ": the guest " + who(id) + " left");
            room->second.guest.reset();
            room->second.relaying = false;
            send(room->second.host, net::PeerLeft{});
        }
    }
    const auto address = addresses.find(found->second.ip);
    if (address != addresses.end() && --address->second.clients == 0)
        addresses.erase(address);
    clients.erase(found);
}

void Lobby::receive(ClientId id, std::span<const std::uint8_t> bytes, std::int64_t nowUs)
{
    const auto found = clients.find(id);
    if (found == clients.end())
        return;
    Client& client = found->second;
    net::LobbyDecodeResult decoded = net::LobbyCodec::decode(bytes);
    if (!decoded.ok) {
        drop(Drop::Malformed, id, decoded.reason, nowUs);
        return;
    }
    if (const auto* open = std::get_if<net::OpenRoom>(&decoded.message)) {
        if (open->version != net::lobbyVersion) {
            log("refused " + who(id) + ": it speaks lobby version " + std::to_string(open->version));
            refuse(id, net::RefusalReason::VersionMismatch);
        } else {
            openRoom(id, client, nowUs);
        }
    } else if (const auto* join = std::get_if<net::JoinRoom>(&decoded.message)) {
        if (join->version != net::lobbyVersion) {
            log("refused " + who(id) + ": it speaks lobby version " + std::to_string(join->version));
            refuse(id, net::RefusalReason::VersionMismatch);
        } else {
            joinRoom(id, client, join->code, nowUs);
        }
    } else if (std::holds_alternative<net::UseRelay>(decoded.message)) {
        useRelay(id, client);
    } else if (auto* relayed = std::get_if<net::Relay>(&decoded.message)) {
        relay(id, client, relayed->payload, nowUs);
    } else {
        drop(Drop::Unexpected, id, "a message only the server sends", nowUs);
    }
}

void Lobby::openRoom(ClientId id, Client& client, std::int64_t nowUs)
{
    AddressRecord& address = addresses[client.ip];
    if (client.room) {
        drop(Drop::Unexpected, id, "a second room for one game", nowUs);
        return;
    }
    if (rooms.size() >= limits.maxRooms || address.rooms >= limits.maxRoomsPerAddress) {
        log("no room for " + who(id) +
            (rooms.size() >= limits.maxRooms ? ": every room is taken" : ": too many rooms from one address"));
        refuse(id, net::RefusalReason::ServerFull);
        return;
    }
    Room room{freshCode(), id, client.ip, std::nullopt, nowUs, false,
        net::RateLimiter(limits.relayMessagesPerSecond, limits.relayBurst)};
    const std::string code = codeString(room.code);
    send(id, net::RoomOpened{room.code});
    rooms.emplace(code, std::move(room));
    client.room = code;
    ++address.rooms;
    ++count.roomsOpened;
    log("room " + code + " opened by " + who(id));
}

void Lobby::joinRoom(ClientId id, Client& client, const net::RoomCode& code, std::int64_t nowUs)
{
    if (client.room) {
        drop(Drop::Unexpected, id, "a game already in a room joins another", nowUs);
        return;
    }
    if (lockedOut(client.ip, nowUs)) {
        ++count.lockedOut;
        log("refused " + who(id) + " room " + codeString(code) + ": too many wrong codes from its address");
        refuse(id, net::RefusalReason::TooManyGuesses);
        return;
    }
    const auto found = rooms.find(codeString(code));
    if (found == rooms.end()) {
        countWrongCode(client.ip, nowUs);
        log("no room " + codeString(code) + " for " + who(id));
        refuse(id, net::RefusalReason::NoSuchRoom);
        return;
    }
    Room& room = found->second;
    if (room.guest) {
        log("room " + found->first + " is full: turned away " + who(id));
        refuse(id, net::RefusalReason::RoomFull);
        return;
    }
    room.guest = id;
    client.room = found->first;
    const Client& host = clients.at(room.host);
    send(id, peerAddress(host.ip, host.port));
    send(room.host, peerAddress(client.ip, client.port));
    log("room " + found->first + ": " + who(id) + " joined " + who(room.host));
}

void Lobby::useRelay(ClientId id, const Client& client)
{
    const auto room = client.room ? rooms.find(*client.room) : rooms.end();
    if (room == rooms.end() || !room->second.guest) {
        refuse(id, net::RefusalReason::NotInRoom);
        return;
    }
    if (room->second.relaying)
        return;
    room->second.relaying = true;
    send(room->second.host, net::Relaying{});
    send(*room->second.guest, net::Relaying{});
    log("room " + room->first + ": relaying (asked by " + who(id) + ")");
}

void Lobby::relay(ClientId id, const Client& client, std::vector<std::uint8_t>& payload, std::int64_t nowUs)
{
    const auto room = client.room ? rooms.find(*client.room) : rooms.end();
    if (room == rooms.end() || !room->second.relaying) {
        drop(Drop::Unexpected, id, "a message to relay outside a relayed room", nowUs);
        return;
    }
    const std::optional<ClientId> other = otherSide(room->second, id);
    if (!other)
        return;
    if (!room->second.relayRate.allow(nowUs)) {
        drop(Drop::RelayFlood, id, "room " + room->first + " relays more than " +
                std::to_string(static_cast<int>(limits.relayMessagesPerSecond)) + " messages a second", nowUs);
        return;
    }
    ++count.relayed;
    outgoing.push_back({*other, net::LobbyCodec::encode(net::Relay{std::move(payload)}), nowUs});
}

std::optional<Lobby::ClientId> Lobby::otherSide(const Room& room, ClientId id) const
{
    if (id == room.host)
        return room.guest;
    return room.host;
}

bool Lobby::lockedOut(std::uint32_t ip, std::int64_t nowUs)
{
    const auto lock = locks.find(ip);
    if (lock == locks.end())
        return false;
    if (nowUs - lock->second.firstWrongUs >= limits.wrongCodeWindowUs) {
        locks.erase(lock);
        return false;
    }
    return lock->second.wrongCodes >= limits.wrongCodeLimit;
}

void Lobby::countWrongCode(std::uint32_t ip, std::int64_t nowUs)
{
    ++count.wrongCodes;
    if (locks.size() >= limits.maxLockRecords && !locks.contains(ip)) {
        // Forgetting the oldest record keeps the memory bounded; a flood of
        // addresses cannot grow the table.
        const auto oldest = std::min_element(locks.begin(), locks.end(),
            [](const auto& a, const auto& b) { return a.second.firstWrongUs < b.second.firstWrongUs; });
        locks.erase(oldest);
    }
    LockRecord& lock = locks.try_emplace(ip, LockRecord{0, nowUs}).first->second;
    ++lock.wrongCodes;
}

void Lobby::expire(std::int64_t nowUs)
{
    std::vector<std::string> due;
    for (const auto& [code, room] : rooms) {
        const std::int64_t openUs = nowUs - room.openedUs;
        if (openUs >= limits.roomLifetimeUs || (!room.guest && openUs >= limits.waitingRoomUs))
            due.push_back(code);
    }
    for (const std::string& code : due) {
        const Room& room = rooms.at(code);
        refuse(room.host, net::RefusalReason::RoomExpired);
        if (room.guest)
            refuse(*room.guest, net::RefusalReason::RoomExpired);
        ++count.roomsExpired;
        closeRoom(code, "its time is up");
    }
    for (const auto& [id, client] : clients)
        if (!client.room && nowUs - client.idleSinceUs >= limits.idleClientUs &&
            std::find(disconnects.begin(), disconnects.end(), id) == disconnects.end()) {
            log("let go of " + who(id) + ": it opened or joined no room");
            disconnects.push_back(id);
        }
    std::erase_if(locks, [&](const auto& lock) { return nowUs - lock.second.firstWrongUs >= limits.wrongCodeWindowUs; });
}

void Lobby::closeRoom(std::string code, const char* why)
{
    const auto found = rooms.find(code);
    if (found == rooms.end())
        return;
    const Room room = found->second;
    rooms.erase(found);
    for (const std::optional<ClientId> member : {std::optional<ClientId>(room.host), room.guest}) {
        if (!member || !clients.contains(*member))
            continue;
        Client& client = clients.at(*member);
        client.room.reset();
        client.idleSinceUs = 0; // a game whose room closed is let go at the next expiry
        if (*member != room.host)
            send(*member, net::PeerLeft{});
    }
    if (const auto address = addresses.find(room.hostIp); address != addresses.end() && address->second.rooms > 0)
        --address->second.rooms;
    log("room " + code + " closed: " + why);
}

net::RoomCode Lobby::freshCode()
{
    std::uniform_int_distribution<std::size_t> letter(0, net::roomCodeLetters.size() - 1);
    net::RoomCode code{};
    do {
        for (char& c : code)
            c = net::roomCodeLetters[letter(random)];
    } while (rooms.contains(codeString(code)));
    return code;
}

void Lobby::send(ClientId to, const net::LobbyMessage& message)
{
    outgoing.push_back({to, net::LobbyCodec::encode(message), std::nullopt});
}

void Lobby::refuse(ClientId to, net::RefusalReason reason)
{
    send(to, net::Refused{reason, net::lobbyVersion});
}

void Lobby::drop(Drop kind, ClientId from, const std::string& reason, std::int64_t nowUs)
{
    ++count.dropped[static_cast<std::size_t>(kind)];
    std::uint64_t heldBack = 0;
    if (!dropLines.allow(static_cast<std::size_t>(kind), nowUs, heldBack))
        return;
    log("dropped a " + std::string(dropName(kind)) + " packet from " + who(from) + ": " + reason +
        (heldBack ? " (" + std::to_string(heldBack) + " more since the last line)" : ""));
}

std::vector<Lobby::Outgoing> Lobby::takeOutgoing()
{
    return std::exchange(outgoing, {});
}

std::vector<Lobby::ClientId> Lobby::takeDisconnects()
{
    return std::exchange(disconnects, {});
}
