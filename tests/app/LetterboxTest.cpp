#include "app/Letterbox.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

struct LetterboxCase {
    const char* what;
    int pictureWidth;
    int pictureHeight;
    int areaWidth;
    int areaHeight;
    Letterbox::Viewport expected;
};

// Bars at the sides for wide areas, at top and bottom for tall ones, none
// when the shapes agree; never an empty or overflowing viewport.
TEST(Letterbox, FitsThePictureCentredInAreasOfEveryShape)
{
    const LetterboxCase cases[] = {
        {"same shape", 1024, 768, 1024, 768, {0, 0, 1024, 768}},
        {"same shape, larger", 1024, 768, 1600, 1200, {0, 0, 1600, 1200}},
        {"desktop 5:4", 1024, 768, 1280, 1024, {0, 32, 1280, 960}},
        {"wide 16:9", 1024, 768, 1920, 1080, {240, 0, 1440, 1080}},
        {"very wide", 1024, 768, 3000, 100, {1433, 0, 133, 100}},
        {"tall", 1024, 768, 600, 1000, {0, 275, 600, 450}},
        {"odd bar splits down", 1024, 768, 801, 600, {0, 0, 800, 600}},
        {"tiny", 1024, 768, 3, 2, {0, 0, 3, 2}},
        {"one pixel", 1024, 768, 1, 1, {0, 0, 1, 1}},
        {"zero height", 1024, 768, 640, 0, {319, 0, 1, 1}},
        {"negative", 1024, 768, -5, -5, {0, 0, 1, 1}},
        {"no picture size is 4:3", 0, 0, 1280, 1024, {0, 32, 1280, 960}},
        {"a wide picture in a 4:3 area", 1280, 720, 1024, 768, {0, 96, 1024, 576}},
    };
    for (const LetterboxCase& c : cases) {
        const Letterbox::Viewport got = Letterbox::fit(c.pictureWidth, c.pictureHeight, c.areaWidth, c.areaHeight);
        EXPECT_EQ(std::tie(got.x, got.y, got.width, got.height),
                  std::tie(c.expected.x, c.expected.y, c.expected.width, c.expected.height))
            << c.what;
    }
}

} // namespace
