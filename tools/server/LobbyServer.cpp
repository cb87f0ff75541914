#include "LobbyServer.h"

#include "net/LobbyMessage.h"

#include <chrono>
#include <random>

namespace {

constexpr std::int64_t expiryIntervalUs = 1000000;
constexpr std::int64_t reportIntervalUs = 60000000;
constexpr int eventsPerFlush = 256;
// ENet takes packets up to this size, so that the lobby counts and logs one
// over its own limit instead of ENet leaving it unacknowledged.
constexpr std::size_t transportPacketBytes = 1024;

std::int64_t steadyUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

LobbyServer::LobbyServer(const ServerOptions& options, Lobby::Log log)
    : options(options), log(log), rooms(options.limits, log, std::random_device{}())
{
}

bool LobbyServer::open(std::string& error)
{
    // One slot more than the games it takes, so that one over the limit is
    // told so instead of timing out.
    if (!endpoint.open(options.bindAddress, options.port, options.limits.maxClients + 1, transportPacketBytes, error))
        return false;
    lastExpiryUs = lastReportUs = steadyUs();
    log("listening on UDP port " + std::to_string(endpoint.localPort()) + " for up to " +
        std::to_string(options.limits.maxRooms) + " rooms");
    return true;
}

void LobbyServer::step(std::uint32_t waitMs)
{
    platform::EnetEndpoint::Event event;
    // Answers go out together after a batch of events: each flush visits
    // every peer.
    for (int handled = 0; handled < eventsPerFlush && endpoint.poll(event, handled == 0 ? waitMs : 0); ++handled)
        handle(event, steadyUs());
    const std::int64_t nowUs = steadyUs();
    if (nowUs - lastExpiryUs >= expiryIntervalUs) {
        lastExpiryUs = nowUs;
        rooms.expire(nowUs);
    }
    deliver();
    reportIfDue(nowUs);
}

void LobbyServer::handle(platform::EnetEndpoint::Event& event, std::int64_t nowUs)
{
    using Kind = platform::EnetEndpoint::EventKind;
    switch (event.kind) {
    case Kind::Connected:
        rooms.admit(event.peer, event.ip, event.port, nowUs);
        break;
    case Kind::Received:
        rooms.receive(event.peer, event.bytes, nowUs);
        break;
    case Kind::Disconnected:
        rooms.leave(event.peer);
        break;
    }
}

void LobbyServer::deliver()
{
    for (const Lobby::Outgoing& message : rooms.takeOutgoing())
        endpoint.send(message.to, message.bytes);
    for (const Lobby::ClientId client : rooms.takeDisconnects()) {
        rooms.leave(client);
        endpoint.disconnect(client, 0);
    }
    endpoint.flush();
}

void LobbyServer::reportIfDue(std::int64_t nowUs)
{
    if (nowUs - lastReportUs < reportIntervalUs)
        return;
    lastReportUs = nowUs;
    const Lobby::Counters& count = rooms.counters();
    const auto& dropped = count.dropped;
    log(std::to_string(rooms.roomCount()) + " rooms, " + std::to_string(rooms.clientCount()) + " games; so far " +
        std::to_string(count.roomsOpened) + " rooms opened, " + std::to_string(count.relayed) + " messages relayed, " +
        std::to_string(count.wrongCodes) + " wrong codes, dropped " +
        std::to_string(dropped[static_cast<std::size_t>(Lobby::Drop::Malformed)]) + " malformed, " +
        std::to_string(dropped[static_cast<std::size_t>(Lobby::Drop::Unexpected)]) + " unexpected, " +
        std::to_string(dropped[static_cast<std::size_t>(Lobby::Drop::RelayFlood)]) + " over the relay rate");
}

void LobbyServer::run(const std::atomic<bool>& stop)
{
    const std::int64_t endUs = options.runSeconds > 0 ? steadyUs() + options.runSeconds * 1000000 : 0;
    while (!stop && (endUs == 0 || steadyUs() < endUs))
        step(10);
    log("stopping");
    endpoint.close();
}
