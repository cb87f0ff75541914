#include "platform/EnetHost.h"

#include <enet/enet.h>

namespace platform {
namespace {

// A host keeps a second slot so that a second guest can be told it is not
// wanted instead of being left to time out.
constexpr std::size_t hostPeerSlots = 2;
constexpr std::size_t channelCount = 1;
// ENet gives up on a peer whose reliable packets stay unanswered for this long;
// the session notices a silent peer earlier through its own keep-alive.
constexpr enet_uint32 peerTimeoutMinimumMs = 5000;
constexpr enet_uint32 peerTimeoutMaximumMs = 8000;

bool ensureInitialised(std::string& error)
{
    static const bool initialised = enet_initialize() == 0;
    if (!initialised)
        error = "the network library could not be started";
    return initialised;
}

std::string addressText(const ENetAddress& address)
{
    char text[64] = "?";
    enet_address_get_host_ip(&address, text, sizeof text);
    return std::string(text) + ":" + std::to_string(address.port);
}

} // namespace

EnetHost::~EnetHost()
{
    close();
}

bool EnetHost::create(const void* address, std::size_t peerCount, std::size_t maxPacketBytes, std::string& error)
{
    close();
    if (!ensureInitialised(error))
        return false;
    enetHost = enet_host_create(static_cast<const ENetAddress*>(address), peerCount, channelCount, 0, 0);
    if (!enetHost) {
        error = "the network port could not be opened";
        return false;
    }
    enetHost->maximumPacketSize = maxPacketBytes;
    // Room for a few packets of the largest size waiting to be delivered.
    enetHost->maximumWaitingData = maxPacketBytes * 4;
    return true;
}

bool EnetHost::host(const std::string& bindAddress, std::uint16_t port, std::size_t maxPacketBytes, std::string& error)
{
    ENetAddress address{};
    address.host = ENET_HOST_ANY;
    address.port = port;
    if (!bindAddress.empty() && enet_address_set_host_ip(&address, bindAddress.c_str()) != 0) {
        error = "\"" + bindAddress + "\" is not an address of this machine";
        return false;
    }
    if (!create(&address, hostPeerSlots, maxPacketBytes, error)) {
        error = "port " + std::to_string(port) + " could not be opened (is another game hosting on it?)";
        return false;
    }
    hosting = true;
    return true;
}

bool EnetHost::connect(const std::string& hostName, std::uint16_t port, std::size_t maxPacketBytes, std::string& error)
{
    if (!create(nullptr, 1, maxPacketBytes, error))
        return false;
    ENetAddress address{};
    address.port = port;
    if (enet_address_set_host(&address, hostName.c_str()) != 0) {
        error = "\"" + hostName + "\" could not be found";
        close();
        return false;
    }
    connectedPeer = nullptr;
    if (!enet_host_connect(enetHost, &address, channelCount, 0)) {
        error = "could not start connecting to " + hostName;
        close();
        return false;
    }
    return true;
}

bool EnetHost::send(std::span<const std::uint8_t> bytes)
{
    if (!connectedPeer)
        return false;
    ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE);
    if (!packet)
        return false;
    if (enet_peer_send(connectedPeer, 0, packet) != 0) {
        enet_packet_destroy(packet);
        return false;
    }
    enet_host_flush(enetHost);
    return true;
}

bool EnetHost::poll(Event& event)
{
    if (!enetHost)
        return false;
    ENetEvent raw{};
    while (enet_host_service(enetHost, &raw, 0) > 0) {
        event = Event{};
        event.address = addressText(raw.peer->address);
        switch (raw.type) {
        case ENET_EVENT_TYPE_CONNECT:
            if (connectedPeer && connectedPeer != raw.peer) {
                enet_peer_disconnect(raw.peer, refusedBusy);
                event.kind = EventKind::Refused;
                return true;
            }
            connectedPeer = raw.peer;
            enet_peer_timeout(raw.peer, 0, peerTimeoutMinimumMs, peerTimeoutMaximumMs);
            event.kind = EventKind::Connected;
            return true;
        case ENET_EVENT_TYPE_RECEIVE:
            if (raw.peer != connectedPeer) {
                enet_packet_destroy(raw.packet);
                continue;
            }
            event.kind = EventKind::Received;
            event.bytes.assign(raw.packet->data, raw.packet->data + raw.packet->dataLength);
            enet_packet_destroy(raw.packet);
            return true;
        case ENET_EVENT_TYPE_DISCONNECT:
            // A guest that was turned away leaving again is no news; a guest
            // whose connection never came up is (it could not reach the host).
            if (hosting && raw.peer != connectedPeer)
                continue;
            connectedPeer = nullptr;
            event.kind = EventKind::Disconnected;
            event.reason = raw.data;
            return true;
        case ENET_EVENT_TYPE_NONE:
            break;
        }
    }
    return false;
}

void EnetHost::disconnectPeer()
{
    if (!connectedPeer)
        return;
    enet_peer_disconnect_now(connectedPeer, 0);
    connectedPeer = nullptr;
}

void EnetHost::close()
{
    if (!enetHost)
        return;
    if (connectedPeer)
        enet_peer_disconnect_now(connectedPeer, 0);
    enet_host_flush(enetHost);
    enet_host_destroy(enetHost);
    enetHost = nullptr;
    connectedPeer = nullptr;
    hosting = false;
}

std::uint64_t EnetHost::bytesSent() const
{
    return enetHost ? enetHost->totalSentData : 0;
}

std::uint64_t EnetHost::bytesReceived() const
{
    return enetHost ? enetHost->totalReceivedData : 0;
}

} // namespace platform
