#pragma once

#include "net/NetMessage.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace net {

// Why a packet was not taken. Each kind has its own log line budget.
enum class DropKind { Malformed, Oversized, UnknownType, Duplicate, Flood, Count };

const char* dropKindName(DropKind kind);

// A decoded packet, or the reason it was refused.
struct DecodeResult {
    bool ok = false;
    Envelope envelope;
    DropKind kind = DropKind::Malformed;
    std::string reason;
};

// Turns messages into bytes and back. A packet is the message type (one
// byte), the sequence number and the type's fields, all little-endian, with
// no padding and nothing after the last field. The decoder checks the size,
// the type and every field against the limits of NetProtocol.h.
class MessageCodec {
public:
    static std::vector<std::uint8_t> encode(const Envelope& envelope);
    static DecodeResult decode(std::span<const std::uint8_t> bytes);
};

} // namespace net
