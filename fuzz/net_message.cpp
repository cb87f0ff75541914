// Feeds arbitrary bytes to the network message decoder; whatever it takes
// must encode back to the very same bytes (a hello of another version aside,
// whose tail is not read).

#include "FuzzCheck.h"

#include "net/MessageCodec.h"

#include <cstdint>
#include <algorithm>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const net::DecodeResult result = net::MessageCodec::decode(bytes);
    if (!result.ok) {
        fuzzCheck(!result.reason.empty(), "a refused packet has a reason");
        return 0;
    }
    fuzzCheck(size <= net::maxMessageBytes, "a taken packet is within the size limit");
    const auto* hello = std::get_if<net::Hello>(&result.envelope.message);
    if (hello && hello->version != net::protocolVersion)
        return 0;
    const std::vector<std::uint8_t> again = net::MessageCodec::encode(result.envelope);
    fuzzCheck(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()),
        "a taken packet encodes back to its bytes");
    return 0;
}
