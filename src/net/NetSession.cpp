#include "net/NetSession.h"

#include "core/OutputHandler.h"

#include <algorithm>
#include <chrono>

namespace net {
namespace {

// More waiting messages than this means the game stopped reading them.
constexpr std::size_t inboxLimit = 4096;
// After a refusal the link stays open this long, so that the peer can take
// the messages that say why before the disconnection discards them.
constexpr std::int64_t refusalLingerUs = 500000;

template <typename... T>
bool holds(const Message& message)
{
    return (std::holds_alternative<T>(message) || ...);
}

} // namespace

NetSession::NetSession(std::string playerName, Clock clock)
    : playerName(std::move(playerName)), clock(std::move(clock))
{
    if (this->playerName.size() > maxNameBytes)
        this->playerName.resize(maxNameBytes);
}

NetSession::~NetSession()
{
    close();
}

std::int64_t NetSession::steadyMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string NetSession::versionMismatchText(std::uint16_t peerVersion)
{
    return "The other player's game speaks network version " + std::to_string(peerVersion) + ", this one " +
        std::to_string(protocolVersion) + ": both players need the same version of Flarevox";
}

void NetSession::resetLink()
{
    problemText.clear();
    peer.clear();
    nextSequence = 1;
    sequences.reset();
    flood.reset();
    inbox.clear();
    sync.reset();
    sentPings = {};
    songStart.reset();
    songEndSent = songEndReceived = false;
    lastHeardUs = lastPingUs = clock();
}

bool NetSession::host(std::uint16_t port, const std::string& bindAddress)
{
    close();
    room.reset();
    resetLink();
    std::string error;
    if (!transport.host(bindAddress, port, transportPacketBytes, error)) {
        fail(error);
        return false;
    }
    hosting = true;
    current = State::Hosting;
    OutputHandler::log(OutputHandler::find(), "Network: hosting on port %u", static_cast<unsigned>(port));
    return true;
}

bool NetSession::join(const std::string& hostName, std::uint16_t port)
{
    close();
    room.reset();
    resetLink();
    target = hostName + ":" + std::to_string(port);
    std::string error;
    if (!transport.connect(hostName, port, transportPacketBytes, error)) {
        fail(error);
        return false;
    }
    hosting = false;
    current = State::Joining;
    OutputHandler::log(OutputHandler::find(), "Network: joining %s", target.c_str());
    return true;
}

bool NetSession::hostRoom(const std::string& server, std::uint16_t port)
{
    close();
    resetLink();
    room = std::make_unique<RoomLink>();
    target = server + ":" + std::to_string(port);
    std::string error;
    if (!room->hostRoom(server, port, error)) {
        fail(error);
        return false;
    }
    hosting = true;
    current = State::Hosting;
    OutputHandler::log(OutputHandler::find(), "Network: asking the server %s for a room", target.c_str());
    return true;
}

bool NetSession::joinRoom(const std::string& server, std::uint16_t port, const RoomCode& code)
{
    close();
    resetLink();
    room = std::make_unique<RoomLink>();
    target = "room " + std::string(codeText(code));
    std::string error;
    if (!room->joinRoom(server, port, code, error)) {
        fail(error);
        return false;
    }
    hosting = false;
    current = State::Joining;
    OutputHandler::log(OutputHandler::find(), "Network: joining room %s on the server %s:%u",
        std::string(codeText(code)).c_str(), server.c_str(), static_cast<unsigned>(port));
    return true;
}

const char* NetSession::pathText() const
{
    if (!room)
        return "";
    switch (room->currentPath()) {
    case RoomLink::Path::Direct: return "direct";
    case RoomLink::Path::Relayed: return "relayed";
    case RoomLink::Path::None: break;
    }
    return "";
}

std::optional<std::int64_t> NetSession::roundTripUs() const
{
    if (!sync.best())
        return std::nullopt;
    return sync.best()->roundTripUs;
}

bool NetSession::linkPoll(platform::EnetHost::Event& event)
{
    return room ? room->poll(event, clock()) : transport.poll(event);
}

void NetSession::linkClose()
{
    transport.close();
    if (room)
        room->close();
}

void NetSession::close()
{
    closeAtUs.reset();
    if (linkHasPeer())
        transmit(Goodbye{GoodbyeReason::Leaving});
    linkClose();
    if (current != State::Idle && current != State::Failed && current != State::PeerLost)
        current = State::Idle;
    hosting = false;
}

void NetSession::letGo(const char* why)
{
    if (current != State::Connected && current != State::InSong)
        return;
    if (linkHasPeer())
        transmit(Goodbye{GoodbyeReason::Leaving});
    losePeer(why);
}

void NetSession::update()
{
    platform::EnetHost::Event event;
    if (closeAtUs) {
        while (linkPoll(event))
            if (event.kind == platform::EnetHost::EventKind::Disconnected)
                closeAtUs = clock();
        if (clock() >= *closeAtUs) {
            linkClose();
            closeAtUs.reset();
        }
        return;
    }
    while (!closeAtUs && linkOpen() && linkPoll(event))
        handleEvent(event);
    reportHeldDrops();
    checkSilence();
    sendPings();
}

void NetSession::handleEvent(platform::EnetHost::Event& event)
{
    using Kind = platform::EnetHost::EventKind;
    switch (event.kind) {
    case Kind::Connected:
        OutputHandler::log(OutputHandler::find(), "Network: link to %s open", event.address.c_str());
        lastHeardUs = clock();
        transmit(Hello{protocolVersion, playerName});
        break;
    case Kind::Refused:
        OutputHandler::log(OutputHandler::find(), "Network: turned away %s (a guest is already here)",
            event.address.c_str());
        break;
    case Kind::Received:
        handlePacket(event.bytes, event.address);
        break;
    case Kind::Disconnected:
        if (room && event.reason == RoomLink::serverProblem)
            fail(room->problem());
        else if (event.reason == platform::EnetHost::refusedBusy)
            fail(hostBusyText);
        else if (current == State::Joining)
            fail("Could not reach " + target);
        else if (current == State::Hosting)
            resetLink(); // a guest that left before its hello: keep waiting
        else
            losePeer("disconnected");
        break;
    }
}

void NetSession::handlePacket(const std::vector<std::uint8_t>& bytes, const std::string& from)
{
    const std::int64_t nowUs = clock();
    if (!flood.allow(nowUs)) {
        drop(DropKind::Flood, from, "more than " + std::to_string(static_cast<int>(floodRatePerSecond)) +
                " messages a second");
        return;
    }
    if (bytes.size() > maxPacketBytes) {
        drop(DropKind::Oversized, from, std::to_string(bytes.size()) + " bytes, more than " +
                std::to_string(maxPacketBytes));
        return;
    }
    DecodeResult decoded = MessageCodec::decode(bytes);
    if (!decoded.ok) {
        drop(decoded.kind, from, decoded.reason);
        return;
    }
    if (!sequences.accept(decoded.envelope.sequence)) {
        drop(DropKind::Duplicate, from, "sequence " + std::to_string(decoded.envelope.sequence));
        return;
    }
    const bool greeted = current == State::Connected || current == State::InSong;
    if (!greeted && !holds<Hello, Goodbye>(decoded.envelope.message)) {
        drop(DropKind::Malformed, from, "a message before the hello");
        return;
    }
    lastHeardUs = nowUs;
    handleMessage(decoded.envelope.message);
}

void NetSession::handleMessage(Message& message)
{
    if (const auto* hello = std::get_if<Hello>(&message))
        handleHello(*hello);
    else if (const auto* ping = std::get_if<Ping>(&message))
        transmit(Pong{ping->id, ping->sentUs, lastHeardUs, clock()});
    else if (const auto* pong = std::get_if<Pong>(&message))
        handlePong(*pong, lastHeardUs);
    else if (const auto* goodbye = std::get_if<Goodbye>(&message))
        handleGoodbye(*goodbye);
    else
        handleGameMessage(message);
}

void NetSession::handleHello(const Hello& hello)
{
    if (current != State::Hosting && current != State::Joining)
        return;
    if (hello.version != protocolVersion) {
        transmit(Goodbye{GoodbyeReason::VersionMismatch});
        fail(versionMismatchText(hello.version));
        return;
    }
    peer = hello.name;
    current = State::Connected;
    OutputHandler::log(OutputHandler::find(), "Network: playing against \"%s\"", peer.c_str());
    startClockSync();
}

void NetSession::handlePong(const Pong& pong, std::int64_t receivedUs)
{
    for (SentPing& sent : sentPings) {
        if (sent.id != pong.id || sent.sentUs != pong.pingSentUs)
            continue;
        sync.addExchange(sent.sentUs, pong.receivedUs, pong.repliedUs, receivedUs);
        sent = SentPing{};
        return;
    }
}

void NetSession::handleGoodbye(const Goodbye& goodbye)
{
    // A guest that leaves before its hello refuses nothing: keep hosting.
    if (current == State::Hosting && !room) {
        OutputHandler::log(OutputHandler::find(), "Network: a guest left before its hello; waiting for another");
        transport.disconnectPeer();
        resetLink();
        return;
    }
    switch (goodbye.reason) {
    case GoodbyeReason::VersionMismatch:
        fail("The other player's game speaks another network version: both players need the same version of "
             "Flarevox");
        break;
    case GoodbyeReason::Busy:
        fail(hostBusyText);
        break;
    case GoodbyeReason::Leaving:
        losePeer("said goodbye");
        break;
    }
}

void NetSession::handleGameMessage(Message& message)
{
    if (const auto* start = std::get_if<StartAt>(&message)) {
        if (hosting || current != State::Connected)
            return;
        const std::int64_t aheadUs = start->startUs - clock();
        if (aheadUs < -maxStartLateUs || aheadUs > maxStartAheadUs) {
            drop(DropKind::Malformed, peer, "a start " + std::to_string(aheadUs / 1000) + " ms from now");
            return;
        }
        songStart = start->startUs;
        current = State::InSong;
    } else if (std::holds_alternative<SongEnd>(message)) {
        if (current != State::InSong) {
            drop(DropKind::Malformed, peer, "song-end totals outside a song");
            return;
        }
        songEndReceived = true;
    }
    if (inbox.size() >= inboxLimit) {
        drop(DropKind::Flood, peer, "the game is not reading its messages");
        return;
    }
    inbox.push_back(std::move(message));
    if (current == State::InSong && songEndSent && songEndReceived) {
        current = State::Connected;
        songStart.reset();
        songEndSent = songEndReceived = false;
    }
}

bool NetSession::send(const Message& message)
{
    if (holds<Hello, Ping, Pong, StartAt, Goodbye>(message))
        return false;
    if (current != State::Connected && current != State::InSong)
        return false;
    if (!transmit(message))
        return false;
    if (std::holds_alternative<SongEnd>(message)) {
        songEndSent = true;
        if (current == State::InSong && songEndReceived) {
            current = State::Connected;
            songStart.reset();
            songEndSent = songEndReceived = false;
        }
    }
    return true;
}

std::optional<Message> NetSession::receive()
{
    if (inbox.empty())
        return std::nullopt;
    Message message = std::move(inbox.front());
    inbox.pop_front();
    return message;
}

bool NetSession::transmit(const Message& message)
{
    const std::vector<std::uint8_t> bytes = MessageCodec::encode({nextSequence, message});
    if (!(room ? room->send(bytes) : transport.send(bytes)))
        return false;
    ++nextSequence;
    return true;
}

void NetSession::startClockSync()
{
    sync.reset();
    lastPingUs = 0;
}

std::optional<std::int64_t> NetSession::startSong(std::int64_t leadUs)
{
    if (!hosting || current != State::Connected || !sync.best())
        return std::nullopt;
    const std::int64_t startUs = clock() + std::max(leadUs, minStartLeadUs);
    if (!transmit(StartAt{sync.toPeer(startUs)}))
        return std::nullopt;
    songStart = startUs;
    songEndSent = songEndReceived = false;
    current = State::InSong;
    return startUs;
}

void NetSession::sendPings()
{
    if (current != State::Connected && current != State::InSong)
        return;
    const std::int64_t nowUs = clock();
    const std::int64_t interval = clockSynced() ? keepAliveIntervalUs : syncPingIntervalUs;
    if (nowUs - lastPingUs < interval)
        return;
    lastPingUs = nowUs;
    const std::uint32_t id = nextPingId++;
    sentPings[id % sentPings.size()] = SentPing{id, nowUs};
    transmit(Ping{id, nowUs});
}

void NetSession::checkSilence()
{
    const std::int64_t silentUs = clock() - lastHeardUs;
    if (silentUs <= silenceLimitUs)
        return;
    if (current == State::Connected || current == State::InSong) {
        losePeer("went silent");
    } else if (current == State::Hosting && room && room->hasPeer()) {
        fail("The other player's game did not answer");
    } else if (current == State::Hosting && transport.hasPeer()) {
        OutputHandler::log(OutputHandler::find(), "Network: a guest sent no hello; waiting for another");
        transport.disconnectPeer();
        resetLink();
    } else if (current == State::Joining) {
        fail("Could not reach " + target);
    }
}

void NetSession::drop(DropKind kind, const std::string& from, const std::string& reason)
{
    ++dropCounts[static_cast<std::size_t>(kind)];
    std::uint64_t heldBack = 0;
    if (!logLines.allow(static_cast<std::size_t>(kind), clock(), heldBack))
        return;
    const std::string more = heldBack ? " (" + std::to_string(heldBack) + " more dropped since the last line)" : "";
    OutputHandler::log(OutputHandler::find(), "Network: dropped a %s message from %s: %s%s", dropKindName(kind),
        from.c_str(), reason.c_str(), more.c_str());
}

void NetSession::reportHeldDrops()
{
    const std::string from = peer.empty() ? "the other game" : "\"" + peer + "\"";
    for (std::size_t kind = 0; kind < dropCounts.size(); ++kind)
        if (const std::uint64_t held = logLines.takeHeld(kind, clock()))
            OutputHandler::log(OutputHandler::find(), "Network: dropped %llu more %s messages from %s since the last line",
                static_cast<unsigned long long>(held), dropKindName(static_cast<DropKind>(kind)), from.c_str());
}

void NetSession::fail(const std::string& text)
{
    problemText = text;
    current = State::Failed;
    hosting = false;
    if (linkHasPeer())
        closeAtUs = clock() + refusalLingerUs;
    else
        linkClose();
    OutputHandler::log(OutputHandler::find(), "Network: %s", text.c_str());
}

void NetSession::losePeer(const char* why)
{
    problemText = opponentLeftText;
    current = State::PeerLost;
    linkClose();
    hosting = false;
    OutputHandler::log(OutputHandler::find(), "Network: the opponent %s", why);
}

} // namespace net
