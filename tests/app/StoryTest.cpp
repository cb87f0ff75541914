#include "app/Story.h"

#include <gtest/gtest.h>

#include <cmath>
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

// Three paragraphs of 5, 7 and 4 lines: a step of 0.3, and one empty line's
// gap after the fifth and the twelfth line.
TEST(Story, ParagraphsAreSeparatedByOneEmptyLine)
{
    EXPECT_FLOAT_EQ(story::lines.front().y, 3.5f);
    for (std::size_t i = 1; i < story::lines.size(); ++i) {
        const float step = story::lines[i - 1].y - story::lines[i].y;
        const float expected = (i == 5 || i == 12) ? 0.6f : 0.3f;
        EXPECT_NEAR(step, expected, 1e-5) << "before line " << i + 1;
    }
}
