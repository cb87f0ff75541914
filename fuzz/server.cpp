// Plays arbitrary scripts against the lobby server's packet handling: four
// games from two addresses send packets (raw bytes, or a join with the last
// room code the lobby gave out), leave and come back while time runs on.
// Every answer must decode, and the rooms and games stay within the limits.

#include "FuzzCheck.h"

#include "Lobby.h"
#include "net/LobbyCodec.h"

#include <cstdint>
#include <span>

namespace {

constexpr std::uint32_t addresses[] = {0x0A000001, 0x0A000002};
constexpr Lobby::ClientId gameCount = 4;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    LobbyLimits limits;
    limits.maxRooms = 3;
    limits.maxRoomsPerAddress = 2;
    limits.wrongCodeLimit = 3;
    limits.relayBurst = 8;
    Lobby lobby(limits, [](const std::string&) {}, 1);
    for (Lobby::ClientId id = 0; id < gameCount; ++id)
        lobby.admit(id, addresses[id % 2], static_cast<std::uint16_t>(1000 + id), 0);
    std::span<const std::uint8_t> script(data, size);
    net::RoomCode lastCode{'A', 'A', 'A', 'A', 'A', 'A'};
    std::int64_t nowUs = 0;
    while (!script.empty()) {
        const std::uint8_t op = script[0];
        const Lobby::ClientId game = (op >> 2) % gameCount;
        script = script.subspan(1);
        switch (op & 3) {
        case 0: {
            const std::size_t length = script.empty() ? 0 : std::min<std::size_t>(script[0], script.size() - 1);
            if (!script.empty())
                script = script.subspan(1);
            lobby.receive(game, script.first(length), nowUs);
            script = script.subspan(length);
            break;
        }
        case 1:
            lobby.leave(game);
            lobby.admit(game, addresses[game % 2], static_cast<std::uint16_t>(2000 + game), nowUs);
            break;
        case 2:
            nowUs += static_cast<std::int64_t>(op >> 4) * 60000000;
            lobby.expire(nowUs);
            break;
        case 3:
            lobby.receive(game, net::LobbyCodec::encode(net::JoinRoom{net::lobbyVersion, lastCode}), nowUs);
            break;
        }
        for (const Lobby::Outgoing& message : lobby.takeOutgoing()) {
            const net::LobbyDecodeResult decoded = net::LobbyCodec::decode(message.bytes);
            fuzzCheck(decoded.ok, "every answer of the lobby decodes");
            fuzzCheck(message.to < gameCount, "answers go to known games");
            if (const auto* opened = std::get_if<net::RoomOpened>(&decoded.message))
                lastCode = opened->code;
        }
        for (const Lobby::ClientId id : lobby.takeDisconnects()) {
            lobby.leave(id);
            lobby.admit(id, addresses[id % 2], static_cast<std::uint16_t>(3000 + id), nowUs);
        }
        fuzzCheck(lobby.roomCount() <= limits.maxRooms, "rooms stay within the limit");
        fuzzCheck(lobby.clientCount() <= gameCount, "no game is counted twice");
    }
    return 0;
}
