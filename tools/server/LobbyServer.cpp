#include "LobbyServer.h"

#include "net/LobbyMessage.h"

#include <chrono>
#include <random>

namespace {

constexpr std::int64_t expiryIntervalUs = 1000000;
constexpr std::int64_t reportIntervalUs = 60000000;
// ENet takes in up to 256 packets at a time; a step takes in this many
// times before it looks at the rooms' expiry.
constexpr int intakesPerStep = 16;
// Answers go out after this many events at the latest: a flush visits every
// peer (some 20 us with 4,000), and a relayed message waits for the events
// handled after it.
constexpr int eventsPerFlush = 32;
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
    // What ENet took in at once is handled and answered, a few events at a
    // time, before it takes in more.
    for (int intake = 0; intake < intakesPerStep && endpoint.poll(event, intake == 0 ? waitMs : 0); ++intake) {
        handle(event, steadyUs());
        for (int handled = 1; endpoint.pollReceived(event); ++handled) {
            if (handled % eventsPerFlush == 0)
                deliver();
            handle(event, steadyUs());
        }
        deliver();
    }
    const std::int64_t nowUs = steadyUs();
    if (nowUs - lastExpiryUs >= expiryIntervalUs) {
        lastExpiryUs = nowUs;
        rooms.expire(nowUs);
        deliver();
    }
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
    const std::vector<Lobby::Outgoing> messages = rooms.takeOutgoing();
    for (const Lobby::Outgoing& message : messages)
        endpoint.send(message.to, message.bytes);
    for (const Lobby::ClientId client : rooms.takeDisconnects()) {
        rooms.leave(client);
        endpoint.disconnect(client, 0);
    }
    endpoint.flush();
    const std::int64_t sentUs = steadyUs();
    for (const Lobby::Outgoing& message : messages)
        if (message.relayedSinceUs)
            relayed.add(sentUs - *message.relayedSinceUs);
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
        std::to_string(dropped[static_cast<std::size_t>(Lobby::Drop::RelayFlood)]) + " over the relay rate"
        + (relayed.count() > 0 ? "; relayed messages' " + relayed.text() : std::string()));
}

void LobbyServer::run(const std::atomic<bool>& stop)
{
    const std::int64_t endUs = options.runSeconds > 0 ? steadyUs() + options.runSeconds * 1000000 : 0;
    while (!stop && (endUs == 0 || steadyUs() < endUs))
        step(10);
    if (relayed.count() > 0)
        log(std::to_string(relayed.count()) + " messages relayed; " + relayed.text());
    log("stopping");
    endpoint.close();
}
