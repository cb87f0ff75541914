#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct _ENetHost;
struct _ENetPeer;
struct _ENetEvent;

namespace platform {

// An ENet socket with many peers, each known by a number (its slot, reused
// only after its Disconnected event). A server listens on a port; a client
// opens a socket on any port and connects out. One reliable, ordered channel.
class EnetEndpoint {
public:
    using PeerId = std::uint32_t;
    enum class EventKind { Connected, Received, Disconnected };
    struct Event {
        EventKind kind = EventKind::Received;
        PeerId peer = 0;
        std::vector<std::uint8_t> bytes; // Received: the packet
        std::uint32_t ip = 0;            // the peer's IPv4 address, most significant byte first
        std::uint16_t port = 0;
        std::uint32_t reason = 0;        // Disconnected: the code the other side gave
    };

    EnetEndpoint() = default;
    ~EnetEndpoint();
    EnetEndpoint(const EnetEndpoint&) = delete;
    EnetEndpoint& operator=(const EnetEndpoint&) = delete;

    // Opens the socket (port 0: any free port) for up to peerCount peers
    // (at most 4095). False with a reason when it cannot be opened.
    bool open(const std::string& bindAddress, std::uint16_t port, std::size_t peerCount, std::size_t maxPacketBytes,
        std::string& error);
    // Starts connecting; the Connected (or Disconnected) event follows.
    bool connect(const std::string& hostName, std::uint16_t port, PeerId& peer, std::string& error);
    bool send(PeerId peer, std::span<const std::uint8_t> bytes);
    // Waits up to waitMs for the next event; false when there is none.
    bool poll(Event& event, std::uint32_t waitMs = 0);
    // The next event ENet has already received, without sending or taking
    // in more: false once they are all handed out.
    bool pollReceived(Event& event);
    // Ends a peer's link politely with a reason; its Disconnected event follows.
    void disconnect(PeerId peer, std::uint32_t reason);
    // Sends one byte from this socket to an address outside ENet's peers, so
    // that the router in front of this machine lets that address's packets
    // in (hole punching). ENet ignores such a datagram on arrival.
    void punch(std::uint32_t ip, std::uint16_t port);
    void flush();
    void close();

    bool isOpen() const { return enetHost != nullptr; }
    std::uint16_t localPort() const;
    // Bytes handed to the network and received, ENet's headers included.
    std::uint64_t bytesSent() const;
    std::uint64_t bytesReceived() const;
    // The round-trip time ENet measures to a peer, in milliseconds.
    std::uint32_t roundTripMs(PeerId peer) const;

    static std::string addressText(std::uint32_t ip, std::uint16_t port);

private:
    bool convert(_ENetEvent& raw, Event& event);
    _ENetPeer* peerAt(PeerId peer) const;

    _ENetHost* enetHost = nullptr;
};

} // namespace platform
