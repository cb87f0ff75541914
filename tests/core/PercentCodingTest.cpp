#include "core/PercentCoding.h"

#include <gtest/gtest.h>

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
