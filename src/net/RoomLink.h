#pragma once

#include "net/LobbyMessage.h"
#include "net/NetProtocol.h"
#include "platform/EnetEndpoint.h"
#include "platform/EnetHost.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>

namespace net {

// The link between two games that met on a lobby server by a room code.
// Both learn the other's public address from the server; the guest connects
// to the host while the host knocks on the guest's address from the same
// socket, so that both routers let the other in. When the host has no
// direct link within directWindowUs, it asks the server to relay, and both
// talk through the server. The host decides the path; the guest follows the
// host's first message (direct) or the server's word (relayed). Events are
// those of a direct link, so that the session above treats both alike.
class RoomLink {
public:
    using Event = platform::EnetHost::Event;
    using EventKind = platform::EnetHost::EventKind;
    enum class Path { None, Direct, Relayed };
    // The Disconnected reason when the server refused or could not be
    // reached: problem() says why.
    static constexpr std::uint32_t serverProblem = 0x5Eu;
    static constexpr std::int64_t directWindowUs = 2000000;

    RoomLink() = default;
    RoomLink(const RoomLink&) = delete;
    RoomLink& operator=(const RoomLink&) = delete;

    bool hostRoom(const std::string& server, std::uint16_t port, std::string& error);
    bool joinRoom(const std::string& server, std::uint16_t port, const RoomCode& code, std::string& error);
    bool send(std::span<const std::uint8_t> bytes);
    bool poll(Event& event, std::int64_t nowUs);
    void close();

    bool isOpen() const { return endpoint.isOpen(); }
    bool hasPeer() const { return path != Path::None; }
    Path currentPath() const { return path; }
    const std::optional<RoomCode>& code() const { return roomCode; }
    const std::string& problem() const { return problemText; }
    std::uint64_t bytesSent() const { return endpoint.bytesSent(); }
    std::uint64_t bytesReceived() const { return endpoint.bytesReceived(); }

private:
    using PeerId = platform::EnetEndpoint::PeerId;

    bool open(const std::string& server, std::uint16_t port, std::string& error);
    void handle(platform::EnetEndpoint::Event& raw, std::int64_t nowUs);
    void handleServerMessage(std::span<const std::uint8_t> bytes, std::int64_t nowUs);
    void handlePeerAddress(const PeerAddress& address, std::int64_t nowUs);
    void handleGamePeerConnected(const platform::EnetEndpoint::Event& raw);
    void handleServerGone();
    void handlePeerLeft();
    void knockOrGiveUp(std::int64_t nowUs);
    void settle(Path chosen);
    void emit(EventKind kind, std::vector<std::uint8_t> bytes = {}, std::uint32_t reason = 0);
    void serverFailed(const std::string& why);
    void sendToServer(const LobbyMessage& message);
    void dropGamePeer();

    platform::EnetEndpoint endpoint;
    std::string serverName;
    PeerId serverPeer = 0;
    bool serverUp = false;
    bool serverGaveUp = false;
    std::optional<std::int64_t> openedUs;
    bool hosting = false;
    RoomCode wantedCode{};
    std::optional<RoomCode> roomCode;
    std::optional<PeerAddress> other;
    std::int64_t toldAtUs = 0;
    std::int64_t lastKnockUs = 0;
    std::optional<PeerId> gamePeer;
    bool gamePeerUp = false;
    bool relayAsked = false;
    Path path = Path::None;
    std::string problemText;
    std::deque<Event> pending;
};

} // namespace net
