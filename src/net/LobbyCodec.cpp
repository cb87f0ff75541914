#include "net/LobbyCodec.h"

#include <algorithm>
#include <cctype>
#include <type_traits>

namespace net {
namespace {

void putU16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFFu));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

std::uint16_t getU16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

void putCode(std::vector<std::uint8_t>& out, const RoomCode& code)
{
    out.insert(out.end(), code.begin(), code.end());
}

void put(std::vector<std::uint8_t>& out, const OpenRoom& m) { putU16(out, m.version); }
void put(std::vector<std::uint8_t>& out, const JoinRoom& m)
{
    putU16(out, m.version);
    putCode(out, m.code);
}
void put(std::vector<std::uint8_t>&, const UseRelay&) {}
void put(std::vector<std::uint8_t>& out, const Relay& m) { out.insert(out.end(), m.payload.begin(), m.payload.end()); }
void put(std::vector<std::uint8_t>& out, const RoomOpened& m) { putCode(out, m.code); }
void put(std::vector<std::uint8_t>& out, const PeerAddress& m)
{
    out.insert(out.end(), m.ip.begin(), m.ip.end());
    putU16(out, m.port);
}
void put(std::vector<std::uint8_t>&, const Relaying&) {}
void put(std::vector<std::uint8_t>&, const PeerLeft&) {}
void put(std::vector<std::uint8_t>& out, const Refused& m)
{
    out.push_back(static_cast<std::uint8_t>(m.reason));
    putU16(out, m.serverVersion);
}

// The fixed size of each type's fields; Relay's payload is the rest.
constexpr std::array<std::size_t, std::variant_size_v<LobbyMessage>> fieldBytes{2, 2 + roomCodeLength, 0, 0,
    roomCodeLength, 6, 0, 0, 3};

bool readCode(std::span<const std::uint8_t> bytes, RoomCode& code)
{
    std::copy(bytes.begin(), bytes.begin() + roomCodeLength, code.begin());
    return std::all_of(code.begin(), code.end(),
        [](char letter) { return roomCodeLetters.find(letter) != std::string_view::npos; });
}

// Reads the fields of the alternative `Index`; the span holds exactly them.
template <std::size_t Index>
std::string take(std::span<const std::uint8_t> fields, LobbyMessage& message)
{
    auto& m = message.emplace<Index>();
    using T = std::decay_t<decltype(m)>;
    if constexpr (std::is_same_v<T, OpenRoom>) {
        m.version = getU16(fields, 0);
    } else if constexpr (std::is_same_v<T, JoinRoom>) {
        m.version = getU16(fields, 0);
        if (m.version == lobbyVersion && !readCode(fields.subspan(2), m.code))
            return "the room code holds a letter that no code has";
    } else if constexpr (std::is_same_v<T, Relay>) {
        if (fields.empty())
            return "an empty relayed message";
        m.payload.assign(fields.begin(), fields.end());
    } else if constexpr (std::is_same_v<T, RoomOpened>) {
        if (!readCode(fields, m.code))
            return "the room code holds a letter that no code has";
    } else if constexpr (std::is_same_v<T, PeerAddress>) {
        std::copy_n(fields.begin(), 4, m.ip.begin());
        m.port = getU16(fields, 4);
        if (m.port == 0)
            return "port 0";
    } else if constexpr (std::is_same_v<T, Refused>) {
        if (fields[0] < static_cast<std::uint8_t>(RefusalReason::NoSuchRoom) ||
            fields[0] > static_cast<std::uint8_t>(RefusalReason::RoomExpired))
            return "refusal reason " + std::to_string(fields[0]) + " is out of range";
        m.reason = static_cast<RefusalReason>(fields[0]);
        m.serverVersion = getU16(fields, 1);
    }
    return {};
}

template <std::size_t Index = 0>
std::string takeType(std::size_t index, std::span<const std::uint8_t> fields, LobbyMessage& message)
{
    if constexpr (Index < std::variant_size_v<LobbyMessage>) {
        if (index == Index)
            return take<Index>(fields, message);
        return takeType<Index + 1>(index, fields, message);
    }
    return "unknown type";
}

LobbyDecodeResult refuse(std::string reason)
{
    LobbyDecodeResult result;
    result.reason = std::move(reason);
    return result;
}

} // namespace

const char* refusalText(RefusalReason reason)
{
    switch (reason) {
    case RefusalReason::NoSuchRoom: return "No room has that code";
    case RefusalReason::TooManyGuesses: return "Too many wrong room codes: wait a few minutes";
    case RefusalReason::RoomFull: return "That room already has two players";
    case RefusalReason::ServerFull: return "The server is full: try again later";
    case RefusalReason::VersionMismatch: return "The server speaks another version: both need the same";
    case RefusalReason::NotInRoom: return "The server has no room for this game";
    case RefusalReason::RoomExpired: return "The room was open too long and has closed";
    }
    return "Refused by the server";
}

bool parseRoomCode(std::string_view typed, RoomCode& code)
{
    if (typed.size() != roomCodeLength)
        return false;
    for (std::size_t i = 0; i < roomCodeLength; ++i) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(typed[i])));
        if (roomCodeLetters.find(letter) == std::string_view::npos)
            return false;
        code[i] = letter;
    }
    return true;
}

std::string_view codeText(const RoomCode& code)
{
    return {code.data(), code.size()};
}

std::vector<std::uint8_t> LobbyCodec::encode(const LobbyMessage& message)
{
    std::vector<std::uint8_t> out;
    out.reserve(maxLobbyPacketBytes);
    out.push_back(static_cast<std::uint8_t>(message.index() + 1));
    std::visit([&out](const auto& m) { put(out, m); }, message);
    return out;
}

LobbyDecodeResult LobbyCodec::decode(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return refuse("an empty packet");
    if (bytes.size() > maxLobbyPacketBytes)
        return refuse(std::to_string(bytes.size()) + " bytes, more than " + std::to_string(maxLobbyPacketBytes));
    const std::size_t index = static_cast<std::size_t>(bytes[0]) - 1;
    if (bytes[0] == 0 || index >= fieldBytes.size())
        return refuse("unknown type " + std::to_string(bytes[0]));
    const std::span<const std::uint8_t> fields = bytes.subspan(1);
    const bool relay = index == LobbyMessage(Relay{}).index();
    // A request of another version is read only as far as its version.
    const bool versioned = index <= LobbyMessage(JoinRoom{}).index();
    const bool foreign = versioned && fields.size() >= 2 && getU16(fields, 0) != lobbyVersion;
    if (!relay && !foreign && fields.size() != fieldBytes[index])
        return refuse("type " + std::to_string(bytes[0]) + " has " + std::to_string(fields.size()) +
            " bytes of fields, not " + std::to_string(fieldBytes[index]));
    LobbyDecodeResult result;
    result.reason = takeType(index, fields, result.message);
    result.ok = result.reason.empty();
    if (!result.ok)
        result.reason = "type " + std::to_string(bytes[0]) + ": " + result.reason;
    return result;
}

} // namespace net
