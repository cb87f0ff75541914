#pragma once

#include "net/ClockSync.h"
#include "net/LogThrottle.h"
#include "net/MessageCodec.h"
#include "net/RateLimiter.h"
#include "net/RoomLink.h"
#include "net/SequenceFilter.h"
#include "platform/EnetHost.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace net {

// One side of a network battle: hosts or joins, greets the peer and checks
// its protocol version, measures the clock offset, keeps the link alive,
// notices a peer that went silent, and hands the game the peer's messages
// after dropping malformed, duplicate and flooding ones (one log line per
// kind and second). update() does all the work; call it every frame.
class NetSession {
public:
    enum class State {
        Idle,      // nothing open
        Hosting,   // the port is open, waiting for a guest and its hello
        Joining,   // connecting to a host, waiting for its hello
        Connected, // both hellos exchanged with the same version
        InSong,    // a start moment was named; until both sides sent their song end
        PeerLost,  // the peer said goodbye, disconnected or went silent
        Failed,    // refused, unreachable or of another version: see problem()
    };
    // Microseconds of a steady clock; tests may give a shifted one.
    using Clock = std::function<std::int64_t()>;

    explicit NetSession(std::string playerName, Clock clock = steadyMicroseconds);
    ~NetSession();
    NetSession(const NetSession&) = delete;
    NetSession& operator=(const NetSession&) = delete;

    // Opens the port ("" binds every address of the machine). False, with
    // problem() set, when it cannot be opened.
    bool host(std::uint16_t port, const std::string& bindAddress = {});
    bool join(const std::string& hostName, std::uint16_t port);
    // Hosts or joins through a lobby server: the host gets a room code
    // (roomCode()) to read out, the guest gives it.
    bool hostRoom(const std::string& server, std::uint16_t port);
    bool joinRoom(const std::string& server, std::uint16_t port, const RoomCode& code);
    void update();
    // Says goodbye and closes the port.
    void close();
    // Lets go of a peer that will not keep to the rules: says goodbye, and
    // the peer counts as lost ("Opponent left"), with `why` in the log.
    void letGo(const char* why);

    // Sends one of the game's messages; the session's own (hello, pings,
    // start, goodbye) are refused. False when no peer is connected.
    bool send(const Message& message);
    // The peer's next game message, oldest first.
    std::optional<Message> receive();

    State state() const { return current; }
    bool isHost() const { return hosting; }
    // The text for the screen when the link failed or the peer was lost.
    const std::string& problem() const { return problemText; }
    const std::string& peerName() const { return peer; }
    std::int64_t now() const { return clock(); }

    // Measures the clock offset again with a new series of pings (it is
    // measured once on connecting).
    void startClockSync();
    bool clockSynced() const { return sync.exchanges() >= syncExchanges; }
    const ClockSync& clockSync() const { return sync; }
    // Host only, once the clock is synced: names the moment `leadUs` from now
    // (at least minStartLeadUs) to start the song on both machines, tells
    // the peer in its clock and returns it in ours.
    std::optional<std::int64_t> startSong(std::int64_t leadUs = minStartLeadUs);
    // The local moment the song starts, while in the song.
    std::optional<std::int64_t> songStartUs() const { return songStart; }

    std::uint64_t dropped(DropKind kind) const { return dropCounts[static_cast<std::size_t>(kind)]; }
    std::uint64_t bytesSent() const { return room ? room->bytesSent() : transport.bytesSent(); }
    std::uint64_t bytesReceived() const { return room ? room->bytesReceived() : transport.bytesReceived(); }
    // The room's code once the server gave it (hosting through a server).
    std::optional<RoomCode> roomCode() const { return room ? room->code() : std::nullopt; }
    // "direct" or "relayed" once linked through a server, else "".
    const char* pathText() const;
    // The round trip of the best clock exchange so far.
    std::optional<std::int64_t> roundTripUs() const;

    static std::int64_t steadyMicroseconds();
    // What both screens say when the versions differ.
    static std::string versionMismatchText(std::uint16_t peerVersion);

private:
    struct SentPing {
        std::uint32_t id = 0;
        std::int64_t sentUs = -1;
    };

    void handleEvent(platform::EnetHost::Event& event);
    void handlePacket(const std::vector<std::uint8_t>& bytes, const std::string& from);
    void handleMessage(Message& message);
    void handleHello(const Hello& hello);
    void handlePong(const Pong& pong, std::int64_t receivedUs);
    void handleGoodbye(const Goodbye& goodbye);
    void handleGameMessage(Message& message);
    void checkSilence();
    void sendPings();
    bool transmit(const Message& message);
    void ping();
    void drop(DropKind kind, const std::string& from, const std::string& reason);
    void reportHeldDrops();
    void fail(const std::string& text);
    void losePeer(const char* why);
    void resetLink();
    bool linkHasPeer() const { return room ? room->hasPeer() : transport.hasPeer(); }
    bool linkOpen() const { return room ? room->isOpen() : transport.isOpen(); }
    bool linkPoll(platform::EnetHost::Event& event);
    void linkClose();

    std::string playerName;
    Clock clock;
    platform::EnetHost transport;
    std::unique_ptr<RoomLink> room; // instead of the transport, through a lobby server
    State current = State::Idle;
    bool hosting = false;
    std::string problemText;
    std::string peer;
    std::string target;

    std::uint32_t nextSequence = 1;
    SequenceFilter sequences;
    RateLimiter flood{floodRatePerSecond, floodBurst};
    LogThrottle logLines{static_cast<std::size_t>(DropKind::Count), 1000000};
    std::array<std::uint64_t, static_cast<std::size_t>(DropKind::Count)> dropCounts{};
    std::deque<Message> inbox;

    ClockSync sync;
    std::array<SentPing, 16> sentPings{};
    std::uint32_t nextPingId = 1;
    std::int64_t lastPingUs = 0;
    std::int64_t lastHeardUs = 0;
    std::optional<std::int64_t> songStart;
    std::optional<std::int64_t> closeAtUs;
    bool songEndSent = false;
    bool songEndReceived = false;
};

} // namespace net
