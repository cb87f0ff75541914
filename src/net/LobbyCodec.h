#pragma once

#include "net/LobbyMessage.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace net {

struct LobbyDecodeResult {
    bool ok = false;
    LobbyMessage message;
    std::string reason; // why the packet was refused
};

// Turns lobby messages into bytes and back: the type (one byte) and the
// type's fields, little-endian, nothing after the last field. A relayed
// payload takes the rest of the packet.
class LobbyCodec {
public:
    static std::vector<std::uint8_t> encode(const LobbyMessage& message);
    static LobbyDecodeResult decode(std::span<const std::uint8_t> bytes);
};

} // namespace net
