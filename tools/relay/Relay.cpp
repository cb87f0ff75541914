#include "Relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

// A relay for tests: a handful of clients at most.
constexpr std::size_t maxClients = 8;
constexpr std::size_t maxDatagramBytes = 65536;
constexpr std::size_t maxPendingDatagrams = 100000;

sockaddr_in ipv4Address(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_addr.s_addr = htonl(address);
    socketAddress.sin_port = htons(port);
    return socketAddress;
}

std::uint64_t clientKey(const sockaddr_in& address)
{
    return (std::uint64_t{ntohl(address.sin_addr.s_addr)} << 16) | ntohs(address.sin_port);
}

sockaddr_in clientAddress(std::uint64_t key)
{
    return ipv4Address(static_cast<std::uint32_t>(key >> 16), static_cast<std::uint16_t>(key & 0xFFFFu));
}

} // namespace

Relay::Relay(const RelayOptions& options) : options(options), random(options.seed) {}

Relay::~Relay()
{
    for (const auto& [client, socket] : upstream)
        ::close(socket);
    if (listenSocket >= 0)
        ::close(listenSocket);
}

bool Relay::open()
{
    listenSocket = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in address = ipv4Address(INADDR_LOOPBACK, options.listenPort);
    if (listenSocket < 0 || bind(listenSocket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::perror("flarevox-relay: cannot listen");
        return false;
    }
    return true;
}

int Relay::upstreamFor(std::uint64_t client)
{
    if (const auto found = upstream.find(client); found != upstream.end())
        return found->second;
    if (upstream.size() >= maxClients)
        return -1;
    const int socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in target = ipv4Address(options.targetAddress, options.targetPort);
    if (socket < 0 || connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (socket >= 0)
            ::close(socket);
        return -1;
    }
    upstream[client] = socket;
    return socket;
}

void Relay::receiveFrom(int socket, std::uint64_t client, bool towardsTarget)
{
    std::vector<std::uint8_t> bytes(maxDatagramBytes);
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t size = recvfrom(socket, bytes.data(), bytes.size(), MSG_DONTWAIT,
        reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (size < 0)
        return;
    bytes.resize(static_cast<std::size_t>(size));
    if (towardsTarget) {
        client = clientKey(from);
        if (upstreamFor(client) < 0)
            return;
    }
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    if (unit(random) < options.loss || pending.size() >= maxPendingDatagrams) {
        ++lostCount;
        return;
    }
    std::uniform_real_distribution<double> jitter(-options.jitterMs, options.jitterMs);
    const double delayMs = std::max(0.0, options.delayMs + (options.jitterMs > 0 ? jitter(random) : 0.0));
    const auto due = Clock::now() + std::chrono::microseconds(static_cast<std::int64_t>(delayMs * 1000.0));
    pending.push({due, arrivals++, client, towardsTarget, std::move(bytes)});
}

void Relay::deliverDue()
{
    const auto now = Clock::now();
    while (!pending.empty() && pending.top().due <= now) {
        const Datagram& datagram = pending.top();
        if (datagram.towardsTarget) {
            send(upstream.at(datagram.client), datagram.bytes.data(), datagram.bytes.size(), MSG_DONTWAIT);
        } else {
            const sockaddr_in to = clientAddress(datagram.client);
            sendto(listenSocket, datagram.bytes.data(), datagram.bytes.size(), MSG_DONTWAIT,
                reinterpret_cast<const sockaddr*>(&to), sizeof to);
        }
        ++forwardedCount;
        pending.pop();
    }
}

void Relay::run()
{
    const auto end = Clock::now() + std::chrono::milliseconds(static_cast<std::int64_t>(options.seconds * 1000.0));
    std::vector<pollfd> sockets;
    std::vector<std::uint64_t> clients;
    while (Clock::now() < end) {
        sockets.assign(1, pollfd{listenSocket, POLLIN, 0});
        clients.assign(1, 0);
        for (const auto& [client, socket] : upstream) {
            sockets.push_back({socket, POLLIN, 0});
            clients.push_back(client);
        }
        auto wake = end;
        if (!pending.empty())
            wake = std::min(wake, pending.top().due);
        const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now()).count();
        poll(sockets.data(), sockets.size(), static_cast<int>(std::clamp<std::int64_t>(waitMs, 0, 1000)));
        for (std::size_t i = 0; i < sockets.size(); ++i)
            if (sockets[i].revents & POLLIN)
                receiveFrom(sockets[i].fd, clients[i], i == 0);
        deliverDue();
    }
}
