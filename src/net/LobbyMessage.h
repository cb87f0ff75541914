#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

// What a game and the lobby server (flarevox-server) tell each other: a host
// opens a room and gets its code, a guest joins by the code, the server tells
// each the other's public address, and relays their messages when the two
// cannot reach each other directly. These messages have a version of their
// own, independent of the battle's messages they may carry.
namespace net {

constexpr std::uint16_t lobbyVersion = 1;
// The UDP port a server listens on unless told otherwise.
constexpr std::uint16_t defaultServerPort = 7494;
// Room codes: six capital letters without the look-alikes I, L and O.
constexpr std::size_t roomCodeLength = 6;
constexpr std::string_view roomCodeLetters = "ABCDEFGHJKMNPQRSTUVWXYZ";
// A relayed battle message is at most this long (larger ones are refused).
constexpr std::size_t maxRelayPayloadBytes = 256;
constexpr std::size_t maxLobbyPacketBytes = 1 + maxRelayPayloadBytes;

using RoomCode = std::array<char, roomCodeLength>;

// A game asks for a room and waits for a guest.
struct OpenRoom {
    std::uint16_t version = lobbyVersion;
};
// A game joins the room of a code.
struct JoinRoom {
    std::uint16_t version = lobbyVersion;
    RoomCode code{};
};
// Either side gives up the direct path: the server relays from now on.
struct UseRelay {};
// A battle message for the other side of the room (either direction).
struct Relay {
    std::vector<std::uint8_t> payload;
};
// The server's answer to OpenRoom.
struct RoomOpened {
    RoomCode code{};
};
// The other side's public IPv4 address and port, as the server sees it.
struct PeerAddress {
    std::array<std::uint8_t, 4> ip{};
    std::uint16_t port = 0;
};
// The server relays this room's messages from now on.
struct Relaying {};
// The other side of the room left.
struct PeerLeft {};

enum class RefusalReason : std::uint8_t {
    NoSuchRoom = 1,
    TooManyGuesses,
    RoomFull,
    ServerFull,
    VersionMismatch,
    NotInRoom,
    RoomExpired,
};
struct Refused {
    RefusalReason reason = RefusalReason::NoSuchRoom;
    std::uint16_t serverVersion = lobbyVersion;
};

using LobbyMessage =
    std::variant<OpenRoom, JoinRoom, UseRelay, Relay, RoomOpened, PeerAddress, Relaying, PeerLeft, Refused>;

// The words a player reads for a refusal.
const char* refusalText(RefusalReason reason);
// Reads a typed room code (either case); false when the text cannot be one.
bool parseRoomCode(std::string_view typed, RoomCode& code);
std::string_view codeText(const RoomCode& code);

} // namespace net
