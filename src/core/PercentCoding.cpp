#include "core/PercentCoding.h"

#include <cctype>
#include <cstdio>

std::string PercentCoding::encode(const std::string& text)
{
    std::string encoded;
    for (const unsigned char byte : text) {
        if (std::isalnum(byte) || byte == '/' || byte == '.' || byte == '_' || byte == '-') {
            encoded += static_cast<char>(byte);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            encoded += escaped;
        }
    }
    return encoded;
}

std::string PercentCoding::decode(const std::string& encoded)
{
    const auto isHex = [&](std::size_t at) { return std::isxdigit(static_cast<unsigned char>(encoded[at])) != 0; };
    std::string text;
    for (std::size_t at = 0; at < encoded.size(); ++at) {
        if (encoded[at] == '%' && at + 2 < encoded.size() && isHex(at + 1) && isHex(at + 2)) {
            text += static_cast<char>(std::stoi(encoded.substr(at + 1, 2), nullptr, 16));
            at += 2;
        } else {
            text += encoded[at];
        }
    }
    return text;
}
