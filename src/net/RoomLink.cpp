#include "net/RoomLink.h"

#include "core/OutputHandler.h"
#include "net/LobbyCodec.h"

namespace net {
namespace {

// The server, the other game, and one slot to turn a stranger away.
constexpr std::size_t peerSlots = 4;
constexpr std::int64_t knockIntervalUs = 100000;
// ENet alone would keep knocking on a server that does not answer for 15 s.
constexpr std::int64_t serverConnectLimitUs = 5000000;

std::uint32_t ipOf(const PeerAddress& address)
{
    return std::uint32_t{address.ip[0]} << 24 | std::uint32_t{address.ip[1]} << 16 |
        std::uint32_t{address.ip[2]} << 8 | address.ip[3];
}

std::string textOf(const PeerAddress& address)
{
    return platform::EnetEndpoint::addressText(ipOf(address), address.port);
}

void logLine(const std::string& line)
{
    OutputHandler::log(OutputHandler::find(), "Network: %s", line.c_str());
}

} // namespace

bool RoomLink::open(const std::string& server, std::uint16_t port, std::string& error)
{
    close();
    serverName = server + ":" + std::to_string(port);
    if (!endpoint.open("", 0, peerSlots, transportPacketBytes, error))
        return false;
    if (!endpoint.connect(server, port, serverPeer, error)) {
        endpoint.close();
        return false;
    }
    return true;
}

bool RoomLink::hostRoom(const std::string& server, std::uint16_t port, std::string& error)
{
    hosting = true;
    return open(server, port, error);
}

bool RoomLink::joinRoom(const std::string& server, std::uint16_t port, const RoomCode& code, std::string& error)
{
    hosting = false;
    wantedCode = code;
    return open(server, port, error);
}

void RoomLink::close()
{
    endpoint.close();
    serverUp = false;
    serverGaveUp = false;
    openedUs.reset();
    roomCode.reset();
    other.reset();
    gamePeer.reset();
    gamePeerUp = false;
    relayAsked = false;
    path = Path::None;
    pending.clear();
}

bool RoomLink::send(std::span<const std::uint8_t> bytes)
{
    bool sent = false;
    if (path == Path::Direct && gamePeer)
        sent = endpoint.send(*gamePeer, bytes);
    else if (path == Path::Relayed && serverUp)
        sent = endpoint.send(serverPeer, LobbyCodec::encode(Relay{{bytes.begin(), bytes.end()}}));
    endpoint.flush();
    return sent;
}

bool RoomLink::poll(Event& event, std::int64_t nowUs)
{
    platform::EnetEndpoint::Event raw;
    while (pending.empty() && endpoint.isOpen() && endpoint.poll(raw))
        handle(raw, nowUs);
    if (!openedUs)
        openedUs = nowUs;
    if (pending.empty() && !serverUp && !serverGaveUp && nowUs - *openedUs >= serverConnectLimitUs) {
        serverGaveUp = true;
        serverFailed("Could not reach the server " + serverName);
    }
    if (pending.empty())
        knockOrGiveUp(nowUs);
    if (pending.empty())
        return false;
    event = std::move(pending.front());
    pending.pop_front();
    return true;
}

void RoomLink::handle(platform::EnetEndpoint::Event& raw, std::int64_t nowUs)
{
    using Kind = platform::EnetEndpoint::EventKind;
    const bool fromServer = raw.peer == serverPeer;
    const bool fromGame = gamePeer && raw.peer == *gamePeer;
    switch (raw.kind) {
    case Kind::Connected:
        if (fromServer) {
            serverUp = true;
            if (hosting)
                sendToServer(OpenRoom{});
            else
                sendToServer(JoinRoom{lobbyVersion, wantedCode});
        } else {
            handleGamePeerConnected(raw);
        }
        break;
    case Kind::Received:
        if (fromServer) {
            handleServerMessage(raw.bytes, nowUs);
        } else if (fromGame && gamePeerUp) {
            if (path == Path::None && !hosting && !relayAsked)
                settle(Path::Direct); // the host's first message came the direct way
            if (path == Path::Direct)
                emit(EventKind::Received, std::move(raw.bytes));
        }
        break;
    case Kind::Disconnected:
        if (fromServer) {
            handleServerGone();
        } else if (fromGame) {
            gamePeer.reset();
            gamePeerUp = false;
            if (path == Path::Direct) {
                path = Path::None;
                emit(EventKind::Disconnected, {}, raw.reason);
            }
        }
        break;
    }
}

void RoomLink::handleGamePeerConnected(const platform::EnetEndpoint::Event& raw)
{
    if (!hosting && gamePeer && raw.peer == *gamePeer) {
        gamePeerUp = true; // the path is the host's to choose
        return;
    }
    const bool expected = hosting && other && ipOf(*other) == raw.ip && path == Path::None && !relayAsked;
    if (!expected) {
        endpoint.disconnect(raw.peer, platform::EnetHost::refusedBusy);
        if (path == Path::None)
            return; // a direct attempt that came too late, or a stranger before any guest
        Event refused;
        refused.kind = EventKind::Refused;
        refused.address = platform::EnetEndpoint::addressText(raw.ip, raw.port);
        pending.push_back(std::move(refused));
        return;
    }
    gamePeer = raw.peer;
    gamePeerUp = true;
    settle(Path::Direct);
}

void RoomLink::handleServerMessage(std::span<const std::uint8_t> bytes, std::int64_t nowUs)
{
    LobbyDecodeResult decoded = LobbyCodec::decode(bytes);
    if (!decoded.ok) {
        logLine("dropped a malformed message from the server: " + decoded.reason);
        return;
    }
    if (const auto* opened = std::get_if<RoomOpened>(&decoded.message)) {
        roomCode = opened->code;
        logLine("room " + std::string(codeText(opened->code)) + " open on " + serverName);
    } else if (const auto* address = std::get_if<PeerAddress>(&decoded.message)) {
        handlePeerAddress(*address, nowUs);
    } else if (std::holds_alternative<Relaying>(decoded.message)) {
        if (path == Path::None)
            settle(Path::Relayed);
    } else if (auto* relayed = std::get_if<Relay>(&decoded.message)) {
        if (path == Path::Relayed)
            emit(EventKind::Received, std::move(relayed->payload));
    } else if (std::holds_alternative<PeerLeft>(decoded.message)) {
        handlePeerLeft();
    } else if (const auto* refused = std::get_if<Refused>(&decoded.message)) {
        serverFailed(refusalText(refused->reason));
    }
}

void RoomLink::handlePeerAddress(const PeerAddress& address, std::int64_t nowUs)
{
    if (path != Path::None)
        return;
    other = address;
    toldAtUs = nowUs;
    relayAsked = false;
    logLine(std::string(hosting ? "a guest" : "the host") + " is at " + textOf(address) + "; trying it directly");
    if (hosting) {
        lastKnockUs = nowUs;
        endpoint.punch(ipOf(address), address.port);
        return;
    }
    PeerId peer = 0;
    std::string error;
    const std::string ip = std::to_string(address.ip[0]) + "." + std::to_string(address.ip[1]) + "." +
        std::to_string(address.ip[2]) + "." + std::to_string(address.ip[3]);
    if (endpoint.connect(ip, address.port, peer, error))
        gamePeer = peer;
    else
        logLine("no direct attempt: " + error);
}

void RoomLink::knockOrGiveUp(std::int64_t nowUs)
{
    if (!hosting || !other || path != Path::None || relayAsked)
        return;
    if (nowUs - toldAtUs >= directWindowUs) {
        relayAsked = true;
        dropGamePeer();
        logLine("no direct path to " + textOf(*other) + " within 2 s; asking the server to relay");
        sendToServer(UseRelay{});
        return;
    }
    if (nowUs - lastKnockUs >= knockIntervalUs) {
        lastKnockUs = nowUs;
        endpoint.punch(ipOf(*other), other->port);
        endpoint.flush();
    }
}

void RoomLink::settle(Path chosen)
{
    path = chosen;
    if (chosen == Path::Relayed)
        dropGamePeer();
    logLine(std::string("the other game is linked ") + (chosen == Path::Direct ? "directly" : "through the server"));
    Event connected;
    connected.kind = EventKind::Connected;
    connected.address = other ? textOf(*other) : serverName;
    pending.push_back(std::move(connected));
}

void RoomLink::handleServerGone()
{
    serverUp = false;
    if (path == Path::Direct) {
        logLine("the server " + serverName + " went away; the battle goes on directly");
        return;
    }
    if (path == Path::Relayed) {
        logLine("the server " + serverName + " went away; the relayed battle ends");
        emit(EventKind::Disconnected);
        return;
    }
    if (!serverGaveUp)
        serverFailed(roomCode || other ? "The server " + serverName + " went away"
                                       : "Could not reach the server " + serverName);
    serverGaveUp = true;
}

void RoomLink::handlePeerLeft()
{
    if (path == Path::Relayed) {
        path = Path::None;
        other.reset();
        emit(EventKind::Disconnected);
        return;
    }
    if (path == Path::Direct)
        return; // the direct link says so itself
    other.reset();
    dropGamePeer();
    if (!hosting)
        serverFailed("The host left the room");
}

void RoomLink::serverFailed(const std::string& why)
{
    problemText = why;
    emit(EventKind::Disconnected, {}, serverProblem);
}

void RoomLink::emit(EventKind kind, std::vector<std::uint8_t> bytes, std::uint32_t reason)
{
    Event event;
    event.kind = kind;
    event.bytes = std::move(bytes);
    event.reason = reason;
    event.address = other ? textOf(*other) : serverName;
    pending.push_back(std::move(event));
}

void RoomLink::sendToServer(const LobbyMessage& message)
{
    endpoint.send(serverPeer, LobbyCodec::encode(message));
    endpoint.flush();
}

void RoomLink::dropGamePeer()
{
    if (gamePeer)
        endpoint.disconnect(*gamePeer, 0);
    gamePeer.reset();
    gamePeerUp = false;
}

} // namespace net
