#include "RelayProbe.h"

#include "net/LobbyCodec.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t payloadBytes = 24; // as the load's messages
constexpr auto meetLimit = std::chrono::seconds(10);
constexpr auto tripLimit = std::chrono::seconds(1);
// Both kinds wait in the same loop: a poll of each end, then this pause.
constexpr auto tripPause = std::chrono::microseconds(20);
// Between probes, so that none queues behind another: under 40 relayed
// messages a second, a tenth of what the server relays for a room.
constexpr auto gap = std::chrono::milliseconds(15);

} // namespace

void RelayProbe::start()
{
    thread = std::thread([this] { run(); });
}

RelayProbe::Trips RelayProbe::finish()
{
    stopping = true;
    if (thread.joinable())
        thread.join();
    std::sort(trips.relayedMs.begin(), trips.relayedMs.end());
    std::sort(trips.directMs.begin(), trips.directMs.end());
    return trips;
}

void RelayProbe::run()
{
    if (!meet())
        return;
    for (bool relayed = true; !stopping; relayed = !relayed) {
        probe(relayed);
        pumpUntil([] { return false; }, gap, std::chrono::milliseconds(1));
    }
}

bool RelayProbe::meet()
{
    std::string error;
    if (!a.open("127.0.0.1", 0, 2, 1024, error) || !b.open("127.0.0.1", 0, 2, 1024, error) ||
        !a.connect("127.0.0.1", serverPort, aServer, error) || !b.connect("127.0.0.1", serverPort, bServer, error) ||
        !b.connect("127.0.0.1", a.localPort(), bDirect, error)) {
        trips.problem = error;
        return false;
    }
    const auto step = [this](const std::function<bool()>& done, const char* what) {
        if (!pumpUntil(done, meetLimit, std::chrono::milliseconds(1)) && trips.problem.empty())
            trips.problem = what;
        return trips.problem.empty();
    };
    if (!step([this] { return connected == 4; }, "the pair could not connect"))
        return false;
    a.send(aServer, net::LobbyCodec::encode(net::OpenRoom{}));
    if (!step([this] { return code.has_value(); }, "no room opened"))
        return false;
    b.send(bServer, net::LobbyCodec::encode(net::JoinRoom{net::lobbyVersion, *code}));
    if (!step([this] { return told; }, "no room joined"))
        return false;
    b.send(bServer, net::LobbyCodec::encode(net::UseRelay{}));
    return step([this] { return relaying == 2; }, "the room did not relay");
}

void RelayProbe::probe(bool relayed)
{
    const std::uint64_t sequence = ++trips.sent;
    std::vector<std::uint8_t> payload(payloadBytes, 0);
    std::memcpy(payload.data(), &sequence, sizeof sequence);
    const auto bytes = net::LobbyCodec::encode(net::Relay{std::move(payload)});
    const auto sentAt = Clock::now();
    a.send(relayed ? aServer : *aDirect, bytes);
    a.flush();
    if (!pumpUntil([&] { return arrived == sequence; }, tripLimit, tripPause))
        return;
    const double ms = std::chrono::duration<double, std::milli>(arrivedAt - sentAt).count();
    (relayed ? trips.relayedMs : trips.directMs).push_back(ms);
}

void RelayProbe::handle(const Endpoint& at, const Endpoint::Event& event)
{
    const bool fromServer = event.peer == (&at == &a ? aServer : bServer);
    if (event.kind == Endpoint::EventKind::Connected) {
        ++connected;
        if (&at == &a && !fromServer)
            aDirect = event.peer;
        return;
    }
    if (event.kind == Endpoint::EventKind::Disconnected) {
        trips.problem = fromServer ? "the server let the pair go" : "the direct link closed";
        return;
    }
    const net::LobbyDecodeResult decoded = net::LobbyCodec::decode(event.bytes);
    if (const auto* opened = std::get_if<net::RoomOpened>(&decoded.message))
        code = opened->code;
    else if (std::holds_alternative<net::PeerAddress>(decoded.message))
        told = told || &at == &b;
    else if (std::holds_alternative<net::Relaying>(decoded.message))
        ++relaying;
    else if (const auto* relayed = std::get_if<net::Relay>(&decoded.message);
             relayed && &at == &b && relayed->payload.size() >= sizeof arrived) {
        std::memcpy(&arrived, relayed->payload.data(), sizeof arrived);
        arrivedAt = Clock::now();
    }
}

void RelayProbe::pump()
{
    for (Endpoint* end : {&a, &b}) {
        Endpoint::Event event;
        while (end->poll(event))
            handle(*end, event);
    }
}

bool RelayProbe::pumpUntil(const std::function<bool()>& done, std::chrono::microseconds limit,
    std::chrono::microseconds pause)
{
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        pump();
        if (done())
            return true;
        std::this_thread::sleep_for(pause);
    }
    return false;
}
