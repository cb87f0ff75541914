#include "app/Story.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Story, LinesFitTheBitmapFontAndTheScreen)
{
    for (const story::Line& line : story::lines) {
        const std::size_t length = std::strlen(line.text);
        EXPECT_GE(length, 18u) << line.text;
        EXPECT_LE(length, 81u) << line.text;
        for (const char c : std::string(line.text))
            EXPECT_TRUE(c >= 32 && c < 127) << line.text;
    }
    EXPECT_STREQ(story::prompt, "Press O,X for start ");
}

