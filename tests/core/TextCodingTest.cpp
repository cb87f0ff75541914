#include "core/PercentCoding.h"
#include "core/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<char32_t> decoded(std::string_view text)
{
    std::vector<char32_t> codes;
    for (std::size_t at = 0; at < text.size();)
        codes.push_back(Utf8::next(text, at));
    return codes;
}

// Each byte that starts no valid sequence is one U+FFFD and decoding goes
// on with the next byte; every length and the edges of the range decode.
TEST(Utf8, BadBytesBecomeOneReplacementEachAndGoodSequencesDecode)
{
    constexpr char32_t bad = Utf8::replacement;
    EXPECT_EQ(decoded("A\xC3\xA9\xE5\xA4\x9C\xF0\x9F\x8E\xB5\xF4\x8F\xBF\xBF"),
              (std::vector<char32_t>{U'A', 0xE9, 0x591C, 0x1F3B5, 0x10FFFF}));
    EXPECT_EQ(decoded("\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE5\xA4"),
              (std::vector<char32_t>{bad, bad, U'|', bad, bad, bad, U'|', bad, bad, bad, bad, U'|', bad, bad}));
    std::string appended;
    for (const char32_t code : {char32_t{0x24}, char32_t{0x7FF}, char32_t{0xFFFF}, char32_t{0x10000}, char32_t{0xD800},
                                char32_t{0x110000}})
        Utf8::append(appended, code);
    EXPECT_TRUE(Utf8::isValid(appended));
    EXPECT_EQ(decoded(appended), (std::vector<char32_t>{0x24, 0x7FF, 0xFFFF, 0x10000, bad, bad}));
}

// A name of exactly the limit stays whole; one more code point cuts it to
// the limit with the ellipsis, never inside a multi-byte sequence.
TEST(Utf8, ShortenedKeepsTheLimitAndCutsBetweenCodePoints)
{
    const std::string four = "\xE5\xA4\x9C\xE5\xA4\x9C\xE5\xA4\x9C\xE5\xA4\x9C";
    EXPECT_EQ(Utf8::shortened(four, 4), four);
    EXPECT_EQ(Utf8::shortened(four + "a", 4), "\xE5\xA4\x9C\xE5\xA4\x9C\xE5\xA4\x9C\u2026");
    EXPECT_EQ(Utf8::shortened("abcdef", 3), "ab\u2026");
    EXPECT_EQ(Utf8::shortened("", 3), "");
}

} // namespace

// Any folder name comes back as it was, and what the configuration's reader
// would take apart ("=", ";", spaces, quotes, line ends) never appears.
TEST(PercentCoding, AnyBytesComeBackAndNothingSpecialIsWritten)
{
    std::string every;
    for (int byte = 1; byte < 256; ++byte)
        every += static_cast<char>(byte);
    const std::string encoded = PercentCoding::encode("Songs/Pack 1/" + every);
    EXPECT_EQ(encoded.find_first_of("=; \t\r\n\"[]#"), std::string::npos);
    EXPECT_EQ(PercentCoding::decode(encoded), "Songs/Pack 1/" + every);
    EXPECT_EQ(PercentCoding::encode("Songs/A-b_c.d"), "Songs/A-b_c.d");
}

// A hand-edited value with a stray or short escape keeps those characters.
TEST(PercentCoding, StrayEscapesStayAsTheyAre)
{
    EXPECT_EQ(PercentCoding::decode("100%"), "100%");
    EXPECT_EQ(PercentCoding::decode("%4"), "%4");
    EXPECT_EQ(PercentCoding::decode("%1G%zz"), "%1G%zz");
    EXPECT_EQ(PercentCoding::decode("a%20b%C3%A9"), "a b\xC3\xA9");
}
