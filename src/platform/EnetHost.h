#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct _ENetHost;
struct _ENetPeer;

namespace platform {

// One end of a two-player link over ENet: either a host listening on one port
// for a single guest, or a guest connected to such a host. Everything goes
// over one reliable, ordered channel. A second guest that knocks while one is
// connected is turned away with `refusedBusy`. The socket (and with it the
// port) exists only between host()/connect() and close().
class EnetHost {
public:
    enum class EventKind { Connected, Received, Disconnected, Refused };
    struct Event {
        EventKind kind = EventKind::Received;
        std::vector<std::uint8_t> bytes;  // Received: the packet
        std::uint32_t reason = 0;         // Disconnected: the code the other side gave
        std::string address;              // the other side as "a.b.c.d:port"
    };

    // The reason a host gives a guest it turns away because it has one.
    static constexpr std::uint32_t refusedBusy = 0xB5u;

    EnetHost() = default;
    ~EnetHost();
    EnetHost(const EnetHost&) = delete;
    EnetHost& operator=(const EnetHost&) = delete;

    // Listens on the port of the given address ("" for every address of the
    // machine). False with a reason when the port cannot be opened.
    bool host(const std::string& bindAddress, std::uint16_t port, std::size_t maxPacketBytes, std::string& error);
    // Starts connecting to a host by name or address; Connected (or
    // Disconnected when it cannot be reached) comes through poll().
    bool connect(const std::string& hostName, std::uint16_t port, std::size_t maxPacketBytes, std::string& error);

    // Queues bytes for the connected peer and sends them at once. False when
    // no peer is connected.
    bool send(std::span<const std::uint8_t> bytes);
    // Takes the next event without waiting; false when there is none.
    bool poll(Event& event);
    // Lets the connected peer go and keeps listening (a host) for another.
    void disconnectPeer();
    // Tells the peer goodbye (when there is one) and closes the socket.
    void close();

    bool isOpen() const { return enetHost != nullptr; }
    bool hasPeer() const { return connectedPeer != nullptr; }
    // Bytes handed to the network (UDP payload, ENet's own headers included)
    // and received, since host() or connect().
    std::uint64_t bytesSent() const;
    std::uint64_t bytesReceived() const;

private:
    bool create(const void* address, std::size_t peerCount, std::size_t maxPacketBytes, std::string& error);

    _ENetHost* enetHost = nullptr;
    _ENetPeer* connectedPeer = nullptr;
    bool hosting = false;
};

} // namespace platform
