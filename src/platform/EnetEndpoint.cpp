#include "platform/EnetEndpoint.h"

#include <enet/enet.h>

#include <arpa/inet.h>

namespace platform {
namespace {

constexpr std::size_t channelCount = 1;
constexpr std::size_t maxPeers = ENET_PROTOCOL_MAXIMUM_PEER_ID;
constexpr enet_uint32 peerTimeoutMinimumMs = 5000;
constexpr enet_uint32 peerTimeoutMaximumMs = 10000;

bool ensureInitialised(std::string& error)
{
    static const bool initialised = enet_initialize() == 0;
    if (!initialised)
        error = "the network library could not be started";
    return initialised;
}

} // namespace

EnetEndpoint::~EnetEndpoint()
{
    close();
}

std::string EnetEndpoint::addressText(std::uint32_t ip, std::uint16_t port)
{
    return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFFu) + "." +
        std::to_string((ip >> 8) & 0xFFu) + "." + std::to_string(ip & 0xFFu) + ":" + std::to_string(port);
}

bool EnetEndpoint::open(const std::string& bindAddress, std::uint16_t port, std::size_t peerCount,
    std::size_t maxPacketBytes, std::string& error)
{
    close();
    if (!ensureInitialised(error))
        return false;
    ENetAddress address{};
    address.host = ENET_HOST_ANY;
    address.port = port;
    if (!bindAddress.empty() && enet_address_set_host_ip(&address, bindAddress.c_str()) != 0) {
        error = "\"" + bindAddress + "\" is not an address of this machine";
        return false;
    }
    enetHost = enet_host_create(&address, peerCount < maxPeers ? peerCount : maxPeers, channelCount, 0, 0);
    if (!enetHost) {
        error = "port " + std::to_string(port) + " could not be opened";
        return false;
    }
    enetHost->maximumPacketSize = maxPacketBytes;
    // Room for a few packets of the largest size waiting to be delivered.
    enetHost->maximumWaitingData = maxPacketBytes * 4;
    return true;
}

bool EnetEndpoint::connect(const std::string& hostName, std::uint16_t port, PeerId& peer, std::string& error)
{
    ENetAddress address{};
    address.port = port;
    if (!enetHost || enet_address_set_host(&address, hostName.c_str()) != 0) {
        error = "\"" + hostName + "\" could not be found";
        return false;
    }
    ENetPeer* raw = enet_host_connect(enetHost, &address, channelCount, 0);
    if (!raw) {
        error = "no free slot to connect to " + hostName;
        return false;
    }
    enet_peer_timeout(raw, 0, peerTimeoutMinimumMs, peerTimeoutMaximumMs);
    peer = static_cast<PeerId>(raw - enetHost->peers);
    return true;
}

ENetPeer* EnetEndpoint::peerAt(PeerId peer) const
{
    if (!enetHost || peer >= enetHost->peerCount)
        return nullptr;
    return &enetHost->peers[peer];
}

bool EnetEndpoint::send(PeerId peer, std::span<const std::uint8_t> bytes)
{
    ENetPeer* raw = peerAt(peer);
    if (!raw || raw->state != ENET_PEER_STATE_CONNECTED)
        return false;
    ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE);
    if (!packet)
        return false;
    if (enet_peer_send(raw, 0, packet) != 0) {
        enet_packet_destroy(packet);
        return false;
    }
    return true;
}

bool EnetEndpoint::poll(Event& event, std::uint32_t waitMs)
{
    if (!enetHost)
        return false;
    ENetEvent raw{};
    // Events already received are handed out without another pass over
    // every peer; only when there are none does ENet send and receive.
    int found = enet_host_check_events(enetHost, &raw);
    if (found == 0)
        found = enet_host_service(enetHost, &raw, waitMs);
    return found > 0 && convert(raw, event);
}

bool EnetEndpoint::pollReceived(Event& event)
{
    ENetEvent raw{};
    return enetHost && enet_host_check_events(enetHost, &raw) > 0 && convert(raw, event);
}

bool EnetEndpoint::convert(ENetEvent& raw, Event& event)
{
    event = Event{};
    event.peer = static_cast<PeerId>(raw.peer - enetHost->peers);
    event.ip = ntohl(raw.peer->address.host);
    event.port = raw.peer->address.port;
    switch (raw.type) {
    case ENET_EVENT_TYPE_CONNECT:
        enet_peer_timeout(raw.peer, 0, peerTimeoutMinimumMs, peerTimeoutMaximumMs);
        event.kind = EventKind::Connected;
        break;
    case ENET_EVENT_TYPE_RECEIVE:
        event.kind = EventKind::Received;
        event.bytes.assign(raw.packet->data, raw.packet->data + raw.packet->dataLength);
        enet_packet_destroy(raw.packet);
        break;
    case ENET_EVENT_TYPE_DISCONNECT:
        event.kind = EventKind::Disconnected;
        event.reason = raw.data;
        break;
    case ENET_EVENT_TYPE_NONE:
        return false;
    }
    return true;
}

void EnetEndpoint::disconnect(PeerId peer, std::uint32_t reason)
{
    if (ENetPeer* raw = peerAt(peer); raw && raw->state != ENET_PEER_STATE_DISCONNECTED)
        enet_peer_disconnect_later(raw, reason);
}

void EnetEndpoint::punch(std::uint32_t ip, std::uint16_t port)
{
    if (!enetHost)
        return;
    ENetAddress address{};
    address.host = htonl(ip);
    address.port = port;
    std::uint8_t knock = 0;
    ENetBuffer buffer{};
    buffer.data = &knock;
    buffer.dataLength = 1;
    enet_socket_send(enetHost->socket, &address, &buffer, 1);
}

void EnetEndpoint::flush()
{
    if (enetHost)
        enet_host_flush(enetHost);
}

void EnetEndpoint::close()
{
    if (!enetHost)
        return;
    for (std::size_t i = 0; i < enetHost->peerCount; ++i)
        if (enetHost->peers[i].state == ENET_PEER_STATE_CONNECTED)
            enet_peer_disconnect_now(&enetHost->peers[i], 0);
    enet_host_flush(enetHost);
    enet_host_destroy(enetHost);
    enetHost = nullptr;
}

std::uint16_t EnetEndpoint::localPort() const
{
    return enetHost ? enetHost->address.port : 0;
}

std::uint64_t EnetEndpoint::bytesSent() const
{
    return enetHost ? enetHost->totalSentData : 0;
}

std::uint64_t EnetEndpoint::bytesReceived() const
{
    return enetHost ? enetHost->totalReceivedData : 0;
}

std::uint32_t EnetEndpoint::roundTripMs(PeerId peer) const
{
    const ENetPeer* raw = peerAt(peer);
    return raw ? raw->roundTripTime : 0;
}

} // namespace platform
