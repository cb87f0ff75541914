#include "core/Utf8.h"

namespace {

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

std::size_t Utf8::sequenceLength(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return 1;
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
        : lead >= 0xF0 && lead <= 0xF4                                                             ? 4
                                                                                                   : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    // The second byte's range rules out overlong forms, surrogates and
    // values past U+10FFFF.
    const bool secondFits = (lead == 0xE0 && second >= 0xA0) || (lead == 0xED && second < 0xA0)
        || (lead == 0xF0 && second >= 0x90) || (lead == 0xF4 && second < 0x90)
        || (lead != 0xE0 && lead != 0xED && lead != 0xF0 && lead != 0xF4);
    if (!isContinuation(second) || !secondFits)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!isContinuation(static_cast<unsigned char>(text[at + i])))
            return 0;
    return length;
}

char32_t Utf8::next(std::string_view text, std::size_t& at)
{
    const std::size_t length = sequenceLength(text, at);
    const auto lead = static_cast<unsigned char>(text[at]);
    if (length == 0) {
        ++at;
        return replacement;
    }
    char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (std::size_t i = 1; i < length; ++i)
        code = (code << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    at += length;
    return code;
}

bool Utf8::isValid(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

void Utf8::append(std::string& text, char32_t codePoint)
{
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        codePoint = replacement;
    if (codePoint < 0x80) {
        text += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        text += static_cast<char>(0xC0 | (codePoint >> 6));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        text += static_cast<char>(0xE0 | (codePoint >> 12));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (codePoint >> 18));
        text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string Utf8::shortened(const std::string& text, std::size_t characters)
{
    std::size_t at = 0;
    std::size_t counted = 0;
    std::size_t cut = 0;
    while (at < text.size()) {
        next(text, at);
        if (++counted + 1 == characters)
            cut = at;
        if (counted > characters)
            return text.substr(0, cut) + "\u2026";
    }
    return text;
}
